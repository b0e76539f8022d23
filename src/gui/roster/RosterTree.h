#pragma once

#include <QIcon>
#include <QTreeWidget>

namespace QuorvelClient {
namespace GUI {

// The roster's tree. Its rows get their item widgets when they are first about to be painted, so that rows under a
// collapsed server or below the shown part of the tree cost no widget; until then a row is as high as it will be
// with its widget, and shows nothing but its icon.
class RosterTree : public QTreeWidget
{
    Q_OBJECT
public:
    explicit RosterTree(QWidget* parent = nullptr);

    // Makes the missing widgets of the rows now in the viewport.
    void loadShownRows();
    // Lays the rows out once after the changes that follow, instead of placing each changed row on the way: a row's
    // place costs as much as the rows between it and the top of the view.
    void deferLayout();

    // While it lives, the rows added to or taken out of the tree ask for one layout, made when the event loop runs
    // again, rather than one each: to place the row widgets the view lays the whole tree out.
    class Batch
    {
    public:
        explicit Batch(RosterTree* tree);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        RosterTree* m_tree;
    };

    // The rows' icons, decoded once for all rows.
    static QIcon icon(const QString& resource);

    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

protected:
    bool viewportEvent(QEvent* event) override;
    void updateEditorGeometries() override;

private:
    int m_batches = 0;
};

} // namespace GUI
} // namespace QuorvelClient
