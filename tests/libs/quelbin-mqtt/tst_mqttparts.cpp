// The MQTT parts on their own: broker URLs and module names (nothing that
// reaches another module's topics), hostile payloads dropped whole, and
// names between UTF-8 and Windows-1252.
#include "brokeraddress.h"
#include "windows1252.h"
#include "wire.h"

#include <QTest>

using namespace solvane::mqtt;
using solvane::utf8ToWindows1252;

class tst_mqttparts : public QObject {
    Q_OBJECT

private slots:
    void brokerUrls_data();
    void brokerUrls();
    void hostilePolls_data();
    void hostilePolls();
    void commands_data();
    void commands();
    void names_data();
    void names();
};

void tst_mqttparts::brokerUrls_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("tls");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("module");

    QTest::newRow("plain, default port") << "mqtt://lab" << true << false << "lab" << 1883 << "";
    QTest::newRow("tls, default port") << "mqtts://lab/b1" << true << true << "lab" << 8883 << "b1";
    QTest::newRow("port and module") << "mqtts://bench3.lab.example:8884/bench-3" << true << true
                                     << "bench3.lab.example" << 8884 << "bench-3";
    QTest::newRow("IPv6") << "mqtt://[::1]:1884/m" << true << false << "::1" << 1884 << "m";
    QTest::newRow("wildcard module") << "mqtt://lab/#" << false << false << "" << 0 << "";
    QTest::newRow("module with a level") << "mqtt://lab/a/b" << false << false << "" << 0 << "";
    QTest::newRow("plus in module") << "mqtt://lab/a+" << false << false << "" << 0 << "";
    QTest::newRow("empty module") << "mqtt://lab/" << false << false << "" << 0 << "";
    QTest::newRow("other scheme") << "http://lab" << false << false << "" << 0 << "";
    QTest::newRow("port zero") << "mqtt://lab:0" << false << false << "" << 0 << "";
    QTest::newRow("port too big") << "mqtt://lab:65536" << false << false << "" << 0 << "";
    QTest::newRow("port with text") << "mqtt://lab:18x3" << false << false << "" << 0 << "";
    QTest::newRow("no host") << "mqtt://:1883" << false << false << "" << 0 << "";
}

void tst_mqttparts::brokerUrls() {
    QFETCH(QString, url);
    QFETCH(bool, valid);
    const ParsedAddress parsed = parseBrokerUrl(url.toStdString());
    QCOMPARE(parsed.value.has_value(), valid);
    if (!valid) {
        QVERIFY(!parsed.error.empty());
        return;
    }
    QFETCH(bool, tls);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, module);
    QCOMPARE(parsed.value->tls, tls);
    QCOMPARE(QString::fromStdString(parsed.value->host), host);
    QCOMPARE(parsed.value->port, port);
    QCOMPARE(QString::fromStdString(parsed.value->module), module);
}

void tst_mqttparts::hostilePolls_data() {
    QTest::addColumn<QByteArray>("payload");
    const QByteArray head = R"({"poll":3,"connected":true,"sensors":[)";
    QTest::newRow("count beyond the buffer")
        << head + R"({"index":0,"header":1,"count":129,"raw":")" + QByteArray(258, 'a') + R"("}]})";
    QTest::newRow("count above the bytes")
        << head + R"({"index":0,"header":1,"count":3,"raw":"0102"}]})";
    QTest::newRow("negative count") << head + R"({"index":0,"header":1,"count":-1,"raw":""}]})";
    QTest::newRow("odd hex") << head + R"({"index":0,"header":1,"count":1,"raw":"012"}]})";
    QTest::newRow("not hex") << head + R"({"index":0,"header":1,"count":1,"raw":"zz"}]})";
    QTest::newRow("index beyond 31") << head + R"({"index":32,"header":1,"count":0,"raw":""}]})";
    QTest::newRow("header beyond 32 bits")
        << head + R"({"index":0,"header":4294967296,"count":0,"raw":""}]})";
    QTest::newRow("count as text") << head + R"({"index":0,"header":1,"count":"1","raw":"01"}]})";
    QTest::newRow("truncated") << head + R"({"index":0,"header":1,)";
    QTest::newRow("not JSON") << QByteArray("online");
    QTest::newRow("negative poll") << QByteArray(R"({"poll":-1,"connected":true,"sensors":[]})");
}

void tst_mqttparts::hostilePolls() {
    QFETCH(QByteArray, payload);
    QVERIFY(!decodePoll(payload.toStdString()).has_value());
}

void tst_mqttparts::commands_data() {
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("index"); // -1: dropped
    QTest::newRow("valid") << QByteArray(R"({"index":2,"id":"v-1"})") << 2;
    QTest::newRow("negative index") << QByteArray(R"({"index":-1,"id":"v-1"})") << -1;
    QTest::newRow("fractional index") << QByteArray(R"({"index":1.5,"id":"v-1"})") << -1;
    QTest::newRow("no id") << QByteArray(R"({"index":2})") << -1;
    QTest::newRow("empty id") << QByteArray(R"({"index":2,"id":""})") << -1;
    QTest::newRow("bare number") << QByteArray("2") << -1;
}

void tst_mqttparts::commands() {
    QFETCH(QByteArray, payload);
    QFETCH(int, index);
    const auto command = decodeCommand(payload.toStdString());
    QCOMPARE(command ? command->index : -1, index);
}

void tst_mqttparts::names_data() {
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("windows1252");
    QTest::newRow("ascii") << QByteArray("Temp_1") << QByteArray("Temp_1");
    QTest::newRow("latin-1") << QByteArray("D\xC3\xA9marrer") << QByteArray("D\xE9marrer");
    QTest::newRow("euro and oe") << QByteArray("\xE2\x82\xAC \xC5\x93") << QByteArray("\x80 \x9C");
    QTest::newRow("no such character") << QByteArray("\xE2\x88\x9E") << QByteArray("?");
    QTest::newRow("malformed") << QByteArray("a\xC3") << QByteArray("a?");
    QTest::newRow("lone continuation") << QByteArray("\x80z") << QByteArray("?z");
    QTest::newRow("zero byte") << QByteArray("a\0b", 3) << QByteArray("a?b");
}

void tst_mqttparts::names() {
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, windows1252);
    QCOMPARE(QByteArray::fromStdString(utf8ToWindows1252(utf8.toStdString())), windows1252);
}

QTEST_GUILESS_MAIN(tst_mqttparts)
#include "tst_mqttparts.moc"
