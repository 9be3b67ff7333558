// The raw-data log: a list whose lines are always shown whole, with a
// horizontal scroll bar that reaches the end of the widest line, and which
// holds still while the operator reads older lines.
#pragma once

#include <QList>
#include <QListWidget>

class RawDataLogView : public QListWidget {
    Q_OBJECT
public:
    explicit RawDataLogView(QWidget* parent = nullptr);
    ~RawDataLogView() override;

    // The width the widest line needs, margins included. Lines that arrived
    // since the last call are measured now, each once in its life.
    int widestLineWidth();

    void reset() override;

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void changeEvent(QEvent* event) override;

private:
    class LineDelegate;

    void forgetWidths();

    LineDelegate* m_delegate;
    // The width of each line, or unmeasured; the widest of those measured.
    QList<int> m_lineWidths;
    int m_widest = 0;
    bool m_unmeasured = false;
};
