#pragma once

#include "core/Camera.h"
#include "utils/MemoryChecker.h"

#include <QByteArray>
#include <QObject>
#include <QTreeWidgetItem>

#include <memory>

namespace QuorvelClient {
namespace GUI {

namespace Internal {
class CameraTreeItemPrivate;
}

// The roster row of one camera: its tooltip and item widget follow the camera's flags, and its preview is fetched
// while the widget is shown.
class CameraTreeItem : public QObject, public QTreeWidgetItem, public Utils::MemoryChecker
{
    Q_OBJECT
public:
    enum { Type = 1002 };

    explicit CameraTreeItem(Core::CameraPtr camera, QTreeWidgetItem* parent = nullptr);
    ~CameraTreeItem() override;

    // Puts a new item widget on the row; the row must be in a tree widget. Until then the row is as high as its
    // widget will be, and shows nothing.
    void createWidget();
    Core::CameraPtr camera() const;

    // The camera rows under a server row: taking out one camera's rows, of which there are at most `most`, or all of
    // them.
    static void removeRows(QTreeWidgetItem* serverRow, Core::camera_id_t cameraId, int most);
    // False, with nothing done, when the server row has no rows under it.
    static bool removeAllRows(QTreeWidgetItem* serverRow);

private slots:
    void setState(Core::Camera::CameraFlags flags);
    void onPreviewChanged(QByteArray preview);
    void onPreviewShow();
    void onPreviewHide();

private:
    void updateToolTip();

    // Compared for every row of a server at each removal, so kept here rather than behind two pointers.
    const Core::camera_id_t m_cameraId;
    std::unique_ptr<Internal::CameraTreeItemPrivate> d;
};

} // namespace GUI
} // namespace QuorvelClient
