// The platform layer: names decoded in the system's code page, and libraries
// loaded by name with the loader's own words when they cannot be.
#include "platform/native.h"
#include "platform/runtimeerror.h"
#include "platform/sharedlibrary.h"
#include "testhelpers.h"

#include <QLibrary>
#include <QSet>
#include <QTest>

#include <optional>
#include <span>

using platform::ErrorNumber;

namespace {

std::span<const char> bytesOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

class tst_platform : public QObject {
    Q_OBJECT

private slots:
    void decodeAnsiEveryByteIsOneCharacter();
    void decodeAnsiKnownBytes_data();
    void decodeAnsiKnownBytes();
    void decodeAnsiKeepsZeroBytes();

    void missingLibraryRaisesLibraryNotLoaded();
    void firstResolveLoadsLibrary();
    void missingFunctionRaisesFunctionNotFound();
};

void tst_platform::decodeAnsiEveryByteIsOneCharacter() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));

    const QString text = platform::decodeAnsi(bytesOf(all));
    QCOMPARE(text.size(), 256);
    // Distinct characters: no byte is lost to a shared replacement character.
    QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
    for (int b = 0; b < 0x80; ++b)
        QCOMPARE(text.at(b).unicode(), char16_t(b));
}

void tst_platform::decodeAnsiKnownBytes_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("codePoint");

    QTest::newRow("e acute") << 0xE9 << 0x00E9;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("oe ligature") << 0x9C << 0x0153;
    QTest::newRow("right single quote") << 0x92 << 0x2019;
    QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
    // Bytes the code page leaves unassigned come through as the control
    // character of the same number, as the ANSI conversion does.
    QTest::newRow("0x81") << 0x81 << 0x0081;
    QTest::newRow("0x8D") << 0x8D << 0x008D;
    QTest::newRow("0x8F") << 0x8F << 0x008F;
    QTest::newRow("0x90") << 0x90 << 0x0090;
    QTest::newRow("0x9D") << 0x9D << 0x009D;
}

void tst_platform::decodeAnsiKnownBytes() {
    QFETCH(int, byte);
    QFETCH(int, codePoint);

    const QByteArray input = QByteArray("a") + static_cast<char>(byte) + QByteArray("a");
    const QString text = platform::decodeAnsi(bytesOf(input));
    QCOMPARE(text.size(), 3);
    QCOMPARE(int{text.at(1).unicode()}, codePoint);
    QCOMPARE(text.at(2), QLatin1Char('a'));
}

void tst_platform::decodeAnsiKeepsZeroBytes() {
    QByteArray buffer(128, '\0');
    buffer[0] = 'D';
    buffer[1] = static_cast<char>(0xE9);
    const QString text = platform::decodeAnsi(bytesOf(buffer));
    QCOMPARE(text.size(), 128);
    QCOMPARE(text.left(3), QStringLiteral("D\u00E9") + QChar(u'\0'));
    QCOMPARE(platform::decodeAnsi({}), QString());
}

void tst_platform::missingLibraryRaisesLibraryNotLoaded() {
    const QString name = QStringLiteral("SolvaneAbsente");
    platform::SharedLibrary library(name);
    QVERIFY(!library.isLoaded());
    // What the loader itself says about that file.
    QLibrary probe(platform::libraryFileName(name));
    QVERIFY(!probe.load());
    const QString loaderSays = probe.errorString();

    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            library.resolve("getNbAcqui");
            QFAIL("a missing library must raise");
        } catch (const platform::RuntimeError& e) {
            QCOMPARE(e.number(), ErrorNumber::LibraryNotLoaded);
            const QString& text = e.description();
            QVERIFY2(text.contains(name), qPrintable(text));
            QVERIFY2(text.contains(platform::libraryFileName(name)), qPrintable(text));
            // The loader's own words, and where it looked.
            QVERIFY2(text.contains(loaderSays), qPrintable(text));
            QVERIFY2(text.contains(platform::librarySearchVariable()), qPrintable(text));
        }
        QVERIFY(!library.isLoaded());
    }
}

void tst_platform::firstResolveLoadsLibrary() {
    platform::SharedLibrary library(QStringLiteral("Quelbin"));
    QVERIFY(!library.isLoaded());

    const QFunctionPointer first = library.resolve("getNbAcqui");
    QVERIFY(first != nullptr);
    QVERIFY(library.isLoaded());
    QVERIFY(library.resolve("getNbAcqui") == first);
    QVERIFY(library.resolve("getNbDevices") != nullptr);
    QVERIFY(library.resolve("getNbDevices") != first);
}

void tst_platform::missingFunctionRaisesFunctionNotFound() {
    platform::SharedLibrary library(QStringLiteral("Quelbin"));
    const auto error = raisedBy([&] { library.resolve("noSuchFunction"); });
    QCOMPARE(error, std::optional{ErrorNumber::FunctionNotFound});

    try {
        library.resolve("noSuchFunction");
        QFAIL("a missing function must raise");
    } catch (const platform::RuntimeError& e) {
        QCOMPARE(e.number(), ErrorNumber::FunctionNotFound);
        QVERIFY2(e.description().contains(QLatin1String("noSuchFunction")),
                 qPrintable(e.description()));
        QVERIFY2(e.description().contains(QLatin1String("Quelbin")), qPrintable(e.description()));
    }
    // The library itself was found; its other functions still resolve.
    QVERIFY(library.isLoaded());
    QVERIFY(library.resolve("getNbAcqui") != nullptr);
}

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
