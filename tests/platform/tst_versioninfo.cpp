// The executable's version resource, read back the way Windows' own file
// properties read it.
#include <QTest>

#include <windows.h>

#include <vector>

namespace {

const QString executable = QStringLiteral(SOLVANE_EXECUTABLE);

struct VersionInfo {
    std::vector<char> block;

    const void* query(const QString& path, UINT* length = nullptr) const {
        void* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueW(block.data(), reinterpret_cast<LPCWSTR>(path.utf16()), &value, &size))
            return nullptr;
        if (length)
            *length = size;
        return value;
    }
};

VersionInfo readVersionInfo() {
    const auto* file = reinterpret_cast<LPCWSTR>(executable.utf16());
    DWORD ignored = 0;
    VersionInfo info;
    info.block.resize(GetFileVersionInfoSizeW(file, &ignored));
    if (info.block.empty() ||
        !GetFileVersionInfoW(file, 0, static_cast<DWORD>(info.block.size()), info.block.data()))
        info.block.clear();
    return info;
}

} // namespace

class tst_versioninfo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void fixedVersions();
    void languageIsFrench();
    void strings_data();
    void strings();

private:
    VersionInfo m_info;
};

void tst_versioninfo::initTestCase() {
    m_info = readVersionInfo();
    QVERIFY2(!m_info.block.empty(),
             qPrintable(QStringLiteral("no version resource in %1: %2")
                            .arg(executable, qt_error_string(static_cast<int>(GetLastError())))));
}

void tst_versioninfo::fixedVersions() {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(m_info.query(QStringLiteral("\\")));
    QVERIFY(fixed);
    QCOMPARE(fixed->dwSignature, DWORD{0xFEEF04BD});
    // 1.0.0.0: major and minor in the high words, build and revision in the low.
    QCOMPARE(fixed->dwFileVersionMS, DWORD{0x00010000});
    QCOMPARE(fixed->dwFileVersionLS, DWORD{0});
    QCOMPARE(fixed->dwProductVersionMS, DWORD{0x00010000});
    QCOMPARE(fixed->dwProductVersionLS, DWORD{0});
    QCOMPARE(fixed->dwFileType, DWORD{VFT_APP});
}

void tst_versioninfo::languageIsFrench() {
    UINT length = 0;
    const auto* translation = static_cast<const WORD*>(
        m_info.query(QStringLiteral("\\VarFileInfo\\Translation"), &length));
    QVERIFY(translation);
    QCOMPARE(length, UINT{4});              // one language, one code page
    QCOMPARE(translation[0], WORD{0x040C}); // French (France)
    QCOMPARE(translation[1], WORD{1252});
}

void tst_versioninfo::strings_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("file version") << QStringLiteral("FileVersion") << QStringLiteral("1.00");
    QTest::newRow("product version") << QStringLiteral("ProductVersion") << QStringLiteral("1.00");
    QTest::newRow("product name") << QStringLiteral("ProductName") << QStringLiteral("Solvane");
    QTest::newRow("internal name") << QStringLiteral("InternalName") << QStringLiteral("Solvane");
    QTest::newRow("original file name")
        << QStringLiteral("OriginalFilename") << QStringLiteral("Solvane.exe");
}

void tst_versioninfo::strings() {
    QFETCH(QString, key);
    QFETCH(QString, expected);

    UINT length = 0;
    const auto* value = static_cast<const wchar_t*>(
        m_info.query(QStringLiteral("\\StringFileInfo\\040C04E4\\") + key, &length));
    QVERIFY2(value, qPrintable(key));
    // The length counts the terminating zero when there is one.
    QString text = QString::fromWCharArray(value, static_cast<qsizetype>(length));
    while (text.endsWith(QChar(u'\0')))
        text.chop(1);
    QCOMPARE(text, expected);
}

QTEST_GUILESS_MAIN(tst_versioninfo)
#include "tst_versioninfo.moc"
