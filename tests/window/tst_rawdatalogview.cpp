// The raw-data log as the operator reads it: every line whole and reachable
// with the horizontal scroll bar, drawn as Qt draws it, and lines in view
// holding still while the operator reads further down.
#include "platform/windowfont.h"
#include "window/rawdatalogview.h"

#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTest>

#include <algorithm>

namespace {

// The log at its designed size, with the view options exposed so that a
// line's needed width can be asked of Qt's own delegate.
class LogView : public RawDataLogView {
public:
    LogView() {
        setFont(platform::windowFont());
        setGeometry(16, 88, 425, 147);
        show();
    }
    int neededWidth(int row) const {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        return QStyledItemDelegate().sizeHint(option, model()->index(row, 0)).width();
    }
    QString lineInView() const { return indexAt(QPoint(1, 1)).data().toString(); }
};

void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

QString line(int header, int values) {
    return QString::number(header) + QStringLiteral(";128;") +
           QStringLiteral("-1234.56789 | ").repeated(values);
}

void appendOnTop(RawDataLogView& log, const QStringList& lines) {
    for (const QString& text : lines) {
        log.insertItem(0, text);
        settle();
    }
}

} // namespace

class tst_rawdatalogview : public QObject {
    Q_OBJECT

private slots:
    void linesWholeAndReachable_data();
    void linesWholeAndReachable();
    void linesInViewHoldStillWhenScrolledAway_data();
    void linesInViewHoldStillWhenScrolledAway();
    void drawsLinesAsQtDoes();
};

void tst_rawdatalogview::linesWholeAndReachable_data() {
    QTest::addColumn<QStringList>("lines"); // in the order they arrive
    QTest::addColumn<int>("takenAway");     // then this row leaves; -2: all, and a short line
    QTest::newRow("short first, longer later")
        << QStringList{line(1, 0), line(2, 6), line(3, 16)} << -1;
    QTest::newRow("longest in the middle")
        << QStringList{line(1, 3), line(2, 16), line(3, 1)} << -1;
    QTest::newRow("the longest leaves") << QStringList{line(1, 8), line(2, 16), line(3, 1)} << 1;
    QTest::newRow("emptied after a long line") << QStringList{line(1, 16)} << -2;
}

void tst_rawdatalogview::linesWholeAndReachable() {
    QFETCH(QStringList, lines);
    QFETCH(int, takenAway);
    LogView log;
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    appendOnTop(log, lines);
    if (takenAway >= 0)
        delete log.takeItem(takenAway);
    if (takenAway == -2) {
        log.clear();
        appendOnTop(log, {line(1, 1)});
        QCOMPARE(log.horizontalScrollBar()->maximum(), 0); // nothing left to scroll to
    }
    settle();
    int widest = 0;
    for (int row = 0; row < log.count(); ++row) {
        const int needed = log.neededWidth(row);
        QVERIFY(needed > log.fontMetrics().horizontalAdvance(log.item(row)->text()));
        QVERIFY2(log.visualRect(log.model()->index(row, 0)).width() >= needed,
                 qPrintable(log.item(row)->text()));
        widest = std::max(widest, needed);
    }
    // Scrolled to the end, the widest line ends within the view, and no
    // further: the scroll range follows the widest line still there.
    QScrollBar* bar = log.horizontalScrollBar();
    bar->setValue(bar->maximum());
    const int end = log.visualRect(log.model()->index(0, 0)).left() + widest;
    QVERIFY(end <= log.viewport()->width());
    QVERIFY(bar->maximum() == 0 || end == log.viewport()->width());
}

void tst_rawdatalogview::linesInViewHoldStillWhenScrolledAway_data() {
    QTest::addColumn<int>("scrolledTo"); // -1: the bottom
    QTest::addColumn<int>("arriving");
    QTest::newRow("one line down, one arrives") << 1 << 1;
    QTest::newRow("midway, three arrive") << 15 << 3;
    QTest::newRow("at the bottom, five arrive") << -1 << 5;
}

void tst_rawdatalogview::linesInViewHoldStillWhenScrolledAway() {
    QFETCH(int, scrolledTo);
    QFETCH(int, arriving);
    LogView log;
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    for (int i = 1; i <= 40; ++i)
        appendOnTop(log, {line(i, 1)});
    QScrollBar* bar = log.verticalScrollBar();
    bar->setValue(scrolledTo < 0 ? bar->maximum() : scrolledTo);
    settle();
    const QString read = log.lineInView();
    const int readTop = log.visualRect(log.indexAt(QPoint(1, 1))).top();

    for (int i = 0; i < arriving; ++i)
        appendOnTop(log, {line(100 + i, 1)});
    QCOMPARE(log.lineInView(), read);
    QCOMPARE(log.visualRect(log.indexAt(QPoint(1, 1))).top(), readTop);

    // Back at the top, the newest line shows there again.
    bar->setValue(0);
    appendOnTop(log, {line(200, 1)});
    QCOMPARE(log.lineInView(), line(200, 1));
}

void tst_rawdatalogview::drawsLinesAsQtDoes() {
    LogView log;
    // Qt's delegate sizes every line like the oldest: the same view for both.
    log.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    appendOnTop(log, {line(1, 2), line(2, 16), QStringLiteral("7;0;"), line(-5, 3)});
    const QImage drawn = log.viewport()->grab().toImage();
    log.setItemDelegate(new QStyledItemDelegate(&log));
    settle();
    QCOMPARE(log.viewport()->grab().toImage(), drawn);
}

QTEST_MAIN(tst_rawdatalogview)
#include "tst_rawdatalogview.moc"
