#include "rawdatalogview.h"

#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int unmeasured = -1;

} // namespace

// Lays out and draws each line from its text shaped once. On every tick all
// lines in view move down one place and are drawn again: shaping them anew
// each time cost more than the rest of the program. Every line gets the size
// of the widest (with uniform item sizes the list asks one line's size only).
class RawDataLogView::LineDelegate : public QStyledItemDelegate {
public:
    explicit LineDelegate(RawDataLogView* view) : QStyledItemDelegate(view), m_view(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (m_lineHeight < 0)
            m_lineHeight = QStyledItemDelegate::sizeHint(option, index).height();
        return {m_view->widestLineWidth(), m_lineHeight};
    }

    // The width the line needs to be drawn whole: its text between the
    // style's margins.
    int neededWidth(const QString& text) const {
        return static_cast<int>(std::ceil(shapedText(text).size().width())) + 2 * textMargin();
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = std::exchange(item.text, QString());
        const QWidget* widget = item.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        // Background, selection and focus frame as the style draws them.
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

        // The text where the style puts it: after the margin, centred in
        // height, in the style's colours; never elided.
        const QRect place = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget)
                                .adjusted(textMargin(), 0, -textMargin(), 0);
        const QStaticText& shaped = shapedText(text);
        QPalette::ColorGroup group =
            item.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(item.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->save();
        painter->setClipRect(item.rect);
        painter->setFont(item.font);
        painter->setPen(item.palette.color(group, item.state & QStyle::State_Selected
                                                      ? QPalette::HighlightedText
                                                      : QPalette::Text));
        const int height = qRound(shaped.size().height());
        painter->drawStaticText(QPointF(place.left(), place.top() + (place.height() - height) / 2),
                                shaped);
        painter->restore();
    }

    // Shaped texts and sizes hold for one font and style only.
    void forgetShapes() {
        m_shaped.clear();
        m_lineHeight = -1;
    }

private:
    int textMargin() const {
        return m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1;
    }

    const QStaticText& shapedText(const QString& text) const {
        // Enough for every line in view at once; the lines that scrolled
        // away are dropped together now and then.
        constexpr qsizetype kept = 128;
        if (const auto found = m_shaped.constFind(text); found != m_shaped.cend())
            return *found;
        if (m_shaped.size() >= kept)
            m_shaped.clear();
        QStaticText shaped(text);
        shaped.setTextFormat(Qt::PlainText);
        shaped.prepare(QTransform(), m_view->font());
        return *m_shaped.insert(text, shaped);
    }

    RawDataLogView* m_view;
    mutable QHash<QString, QStaticText> m_shaped;
    mutable int m_lineHeight = -1;
};

RawDataLogView::RawDataLogView(QWidget* parent)
    : QListWidget(parent), m_delegate(new LineDelegate(this)) {
    setItemDelegate(m_delegate);
    // Without uniform sizes the list would measure every line again after
    // each insertion; the widest line is tracked here instead.
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideNone);
    // One scroll step is one line, so the value is the first line in view.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

RawDataLogView::~RawDataLogView() = default;

int RawDataLogView::widestLineWidth() {
    if (m_unmeasured) {
        for (int row = 0; row < m_lineWidths.size(); ++row) {
            if (m_lineWidths[row] == unmeasured) {
                m_lineWidths[row] = m_delegate->neededWidth(item(row)->text());
                m_widest = std::max(m_widest, m_lineWidths[row]);
            }
        }
        m_unmeasured = false;
    }
    return m_widest;
}

void RawDataLogView::reset() {
    QListWidget::reset();
    forgetWidths();
}

void RawDataLogView::rowsInserted(const QModelIndex& parent, int start, int end) {
    const int firstInView = verticalScrollBar()->value();
    if (!parent.isValid()) {
        // Measured when the list is next laid out, usually with the tick's
        // drawing.
        m_lineWidths.insert(start, end - start + 1, unmeasured);
        m_unmeasured = true;
    }
    QListWidget::rowsInserted(parent, start, end);
    if (!parent.isValid() && firstInView > 0 && start <= firstInView) {
        // The operator has scrolled away from the top to read: lines that
        // arrive above keep the ones in view where they are. The list is laid
        // out now so that its scroll range already counts the new lines.
        executeDelayedItemsLayout();
        verticalScrollBar()->setValue(firstInView + (end - start + 1));
    }
}

void RawDataLogView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    if (!parent.isValid()) {
        const bool widestLeaves =
            std::find(m_lineWidths.cbegin() + start, m_lineWidths.cbegin() + end + 1, m_widest) !=
            m_lineWidths.cbegin() + end + 1;
        m_lineWidths.remove(start, end - start + 1);
        if (widestLeaves)
            m_widest = m_lineWidths.isEmpty() ? 0 : std::ranges::max(m_lineWidths);
    }
    QListWidget::rowsAboutToBeRemoved(parent, start, end);
}

void RawDataLogView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                 const QList<int>& roles) {
    if (!topLeft.parent().isValid())
        forgetWidths(); // a line's text changed: the program never does this
    QListWidget::dataChanged(topLeft, bottomRight, roles);
}

void RawDataLogView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_delegate->forgetShapes();
        forgetWidths();
    }
    QListWidget::changeEvent(event);
}

void RawDataLogView::forgetWidths() {
    m_lineWidths.fill(unmeasured, model()->rowCount());
    m_widest = 0;
    m_unmeasured = !m_lineWidths.isEmpty();
}
