#pragma once

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QHash>
#include <QPersistentModelIndex>
#include <QPointer>

#include <algorithm>

namespace TestSupport {

// Takes the place of a view's delegate while it lives and passes everything on to it, counting how often the view
// asks each row for its size. A view keeps a row's size until it lays its rows out again (or the row changes), so
// the most any row was asked tells how many times the view was laid out.
class RowLayouts : public QAbstractItemDelegate
{
public:
    explicit RowLayouts(QAbstractItemView* view) : m_view(view), m_inner(view->itemDelegate())
    {
        view->setItemDelegate(this);
    }
    ~RowLayouts() override
    {
        if (m_view && m_view->itemDelegate() == this)
            m_view->setItemDelegate(m_inner);
    }

    int most() const
    {
        int most = 0;
        for (int count : m_asked)
            most = std::max(most, count);
        return most;
    }
    void clear() { m_asked.clear(); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        m_inner->paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        ++m_asked[QPersistentModelIndex(index)];
        return m_inner->sizeHint(option, index);
    }
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override
    {
        m_inner->updateEditorGeometry(editor, option, index);
    }
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        return m_inner->helpEvent(event, view, option, index);
    }

private:
    QPointer<QAbstractItemView> m_view;
    QPointer<QAbstractItemDelegate> m_inner;
    mutable QHash<QPersistentModelIndex, int> m_asked;
};

} // namespace TestSupport
