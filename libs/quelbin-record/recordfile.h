// A recording's file on disk: always a new one, written at its end, synced
// so that what was written survives a power cut. Names and paths in UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace solvane::record {

class RecordFile {
public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(RecordFile&& other) noexcept;
    RecordFile& operator=(RecordFile&& other) noexcept;

    // Makes the folder and the ones above it if missing, then a new file
    // `stem`.csv in it; while that name is taken, `stem`-2.csv, -3 and so
    // on: a file that exists is never opened. Returns why not if it cannot.
    std::optional<std::string> create(const std::string& folder, const std::string& stem);

    bool isOpen() const;
    const std::string& path() const { return m_path; }

    // All of `text`, or why not.
    std::optional<std::string> write(std::string_view text);
    // What was written, on the disk, or why not.
    std::optional<std::string> sync();
    void close();

private:
    // The platform's part: the folder and those above it made where
    // missing, or why not; a new file `name` in the folder, never one that
    // exists.
    static std::optional<std::string> makeFolders(const std::string& folder);
    struct Created {
        std::intptr_t handle = -1;
        std::string path;
        bool exists = false; // the name is taken
        std::string error;
    };
    static Created createNew(const std::string& folder, const std::string& name);

    std::intptr_t m_handle = -1; // the platform's: a file descriptor, or a HANDLE
    std::string m_path;
};

} // namespace solvane::record
