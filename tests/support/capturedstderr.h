// Standard error captured for the tests that check what a library writes
// there.
#pragma once

#include <QByteArrayList>

#include <cstdio>

// Standard error goes to a file for as long as the object lives.
class CapturedStderr {
public:
    CapturedStderr();
    ~CapturedStderr();
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;

    QByteArrayList lines() const;

private:
    std::FILE* m_file;
    int m_saved;
};
