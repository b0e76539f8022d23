#include "gui/roster/RosterWidget.h"

#include "core/CameraEndpoint.h"
#include "core/PreviewLoader.h"
#include "core/RestClient.h"
#include "core/SessionManager.h"
#include "core/StreamerClient.h"
#include "gui/DialogSeam.h"
#include "gui/mainwindow/LocalServerDialog.h"
#include "gui/mainwindow/ServerPropertiesDialog.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/ElidedLabel.h"
#include "gui/roster/LocalServerTreeItem.h"
#include "gui/roster/RosterTree.h"
#include "gui/roster/RowTexts.h"
#include "gui/roster/ServerTreeItem.h"
#include "ui_RosterWidget.h"
#include "utils/CutText.h"
#include "utils/Intervals.h"
#include "utils/LogCap.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSet>
#include <QTimer>

#include <array>
#include <climits>
#include <cmath>
#include <optional>

namespace QuorvelClient {
namespace GUI {

namespace {

// The REST client has no time-out: a request still unanswered at this tick is given up and sent anew.
const int kStuckTicks = 3;

enum RequestState { Idle = 0, Pending = 1, Applied = 2 };

// The playback window holds no more players.
const int kMaxCameras = 16;

// Local servers asked at once, two connections each; the others wait their turn, so that a long list cannot use up
// the process's file handles.
const int kMaxPolledServers = 32;

// The lines a poll cycle writes for its servers: as many of each kind in full as the log cap's default, the others
// counted in one line when the cycle ends, so that a long list of failing servers cannot flood the log.
class PollLog
{
public:
    enum Kind { CameraListErrors, ServerInfoErrors, StateChanges, CameraRemovals, KindCount };

    // Counts a line of the kind; true while the cycle still writes it in full.
    bool admit(Kind kind) { return m_caps[kind].next() > 0; }

    // Writes how many lines of each kind were left out, and starts counting anew.
    void summarise()
    {
        for (Utils::LogCap& cap : m_caps)
            cap.close();
    }

private:
    static Utils::LogCap cap(const char* what) { return Utils::LogCap(QLatin1String(what)); }

    std::array<Utils::LogCap, KindCount> m_caps{{cap("local roster update errors"), cap("local vs_info update errors"),
                                                 cap("local server state changes"), cap("local camera removals")}};
};

// The line a quiet client kept of its failure.
void logFailureLine(QObject* sender)
{
    const auto* client = qobject_cast<Core::StreamerClient*>(sender);
    const QString line = client ? client->failureLine() : QString();
    if (!line.isEmpty())
        qDebug().noquote() << line;
}

QFont rootFont(const QTreeWidgetItem* item)
{
    QFont font = item->font(0);
    if (font.pointSize() > 0)
        font.setPointSize(font.pointSize() + 1);
    font.setWeight(QFont::Bold);
    return font;
}

QFrame* rootFrame(QTreeWidget* tree, const QFont& font, const QString& text)
{
    auto* frame = new QFrame(tree);
    auto* layout = new QHBoxLayout(frame);
    auto* label = new ElidedLabel(frame);
    label->setText(text);
    label->setFont(font);
    layout->addWidget(label);
    return frame;
}

// The root row's tooltip: the sentence, and the title's whole text while the title is shown cut.
void setRootToolTip(QTreeWidget* tree, QFrame* frame, const QString& sentence)
{
    auto* title = frame->findChild<ElidedLabel*>();
    // The row is looked up each time: the frame may outlive a root row that is deleted.
    const auto update = [tree, frame, title, sentence] {
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            if (tree->itemWidget(tree->topLevelItem(i), 0) == frame)
                tree->topLevelItem(i)->setToolTip(0, rowToolTip(sentence, ElidedLabel::cutTexts({title})));
        }
    };
    QObject::connect(title, &ElidedLabel::elisionChanged, frame, update);
    update();
}

// How the tree's sort compares two rows' texts: a row without the text goes after one that has it.
bool textLess(const QTreeWidgetItem* a, const QTreeWidgetItem* b, int column)
{
    const QVariant left = a->data(column, Qt::DisplayRole);
    const QVariant right = b->data(column, Qt::DisplayRole);
    if (!left.isValid())
        return false;
    if (!right.isValid())
        return true;
    return left.toString() < right.toString();
}

// Whether sorting by column 2 and then, stably, by column 1 would move no row.
bool isSorted(const QTreeWidgetItem* parent)
{
    for (int i = 1; i < parent->childCount(); ++i) {
        const QTreeWidgetItem* a = parent->child(i - 1);
        const QTreeWidgetItem* b = parent->child(i);
        if (textLess(b, a, 1) || (!textLess(a, b, 1) && textLess(b, a, 2)))
            return false;
    }
    for (int i = 0; i < parent->childCount(); ++i) {
        if (!isSorted(parent->child(i)))
            return false;
    }
    return true;
}

QSize resolutionOf(const QVariantMap& camera)
{
    const int width = camera.value(QStringLiteral("width")).toInt();
    const int height = camera.value(QStringLiteral("height")).toInt();
    if (camera.isEmpty() || width < 80 || width > 2400 || height < 60 || height > 2000)
        return QSize(640, 480);
    return QSize(width, height);
}

// The records of one server object of the roster reply; `built` counts the cameras made.
Core::VideoServerPtr buildServer(const QVariantMap& object, int* built)
{
    using Core::Camera;
    using Core::VideoServer;

    VideoServer::VideoServerFlags flags;
    if (!object.value(QStringLiteral("online")).toBool())
        flags |= VideoServer::Offline;
    bool speedPlay = false;
    bool archiveSearch = false;
    const QVariantMap info = object.value(QStringLiteral("info")).toMap();
    const QVariantList functions = info.value(QStringLiteral("functions")).toList();
    if (!functions.isEmpty()) {
        speedPlay = functions.contains(QVariant(QStringLiteral("speed_play")));
        archiveSearch = functions.contains(QVariant(QStringLiteral("arc_search")));
    }
    auto server = std::make_shared<VideoServer>(
        flags, object.value(QStringLiteral("id")).toString(), 0, 0, 0, object.value(QStringLiteral("name")).toString(),
        object.value(QStringLiteral("owner")).toBool(), object.value(QStringLiteral("live")).toBool(),
        object.value(QStringLiteral("archive")).toBool(), false, false, speedPlay, archiveSearch);

    const QVariantMap cameras = object.value(QStringLiteral("cameras")).toMap();
    bool allBlocked = !cameras.isEmpty();
    bool someBlocked = false;
    bool hasArchive = false;
    QString serverStatus;
    for (const QVariant& value : cameras) {
        const QVariantMap camera = value.toMap();
        if (camera.isEmpty())
            continue;
        QString status;
        bool active = false;
        const QVariantMap services = camera.value(QStringLiteral("services")).toMap();
        if (!services.isEmpty()) {
            const QVariantMap enabled = services.value(QStringLiteral("enabled")).toMap();
            if (enabled.isEmpty()) {
                status = QStringLiteral("camera");
            } else {
                const QVariant activeValue = enabled.value(QStringLiteral("active"));
                status = activeValue.toString();
                active = activeValue.toBool() && (status == QLatin1String("true") || status.isEmpty());
            }
        }

        Camera::CameraFlags cameraFlags;
        bool archiveActive = false;
        if (active) {
            allBlocked = false;
            const QVariantMap archive = services.value(QStringLiteral("archive")).toMap();
            archiveActive = archive.value(QStringLiteral("active")).toString() == QLatin1String("true");
            hasArchive = hasArchive || archiveActive;
        } else {
            cameraFlags = Camera::NotPaid;
            someBlocked = true;
            // "billing" wins over any other reason; otherwise the first reason stays.
            if (status == QLatin1String("billing") || serverStatus.isEmpty())
                serverStatus = status;
        }
        if (!camera.value(QStringLiteral("online")).toBool())
            cameraFlags |= Camera::Offline;

        if (flags.testFlag(VideoServer::Offline) && !archiveActive)
            continue;
        server->addCamera(std::make_shared<Camera>(
            camera.value(QStringLiteral("id")).toInt(), camera.value(QStringLiteral("name")).toString(), server->id(),
            server->value3(), server->alias(), server->isSpeedPlaySupported(), true, server->isArchiveSearchSupported(),
            resolutionOf(camera), camera.value(QStringLiteral("vcodec")).toString(), cameraFlags, status));
        ++*built;
    }
    if (allBlocked) {
        flags |= VideoServer::AllCamerasNotPaid;
        server->setServiceStatus(serverStatus);
    } else if (someBlocked) {
        flags |= VideoServer::SomeCamerasNotPaid;
        server->setServiceStatus(serverStatus);
    }
    server->setFlags(flags);
    server->setHasArchive(hasArchive);
    return server;
}

// A JSON number, or a text of one, that is a whole number from min to max.
bool wholeNumber(const QVariant& value, qint64 min, qint64 max, qint64* number)
{
    double whole = 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        whole = value.toDouble();
        break;
    case QMetaType::QString: {
        bool ok = false;
        whole = double(value.toString().toLongLong(&ok));
        if (!ok)
            return false;
        break;
    }
    default:
        return false;
    }
    if (!std::isfinite(whole) || std::floor(whole) != whole || whole < double(min) || whole > double(max))
        return false;
    *number = qint64(whole);
    return true;
}

// A local server's camera is offline when its "status" is 0, missing or not a number.
Core::Camera::CameraFlags localCameraFlags(const QVariantMap& camera)
{
    qint64 status = 0;
    wholeNumber(camera.value(QStringLiteral("status")), INT_MIN, INT_MAX, &status);
    return status == 0 ? Core::Camera::Offline : Core::Camera::CameraFlags();
}

// The parsed list file; a file that is a bare JSON value (a number, a text) reads as no servers.
std::optional<QVariantList> parseLocalRoster(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError)
        return document.toVariant().toList();
    if (bytes.trimmed().isEmpty())
        return std::nullopt;
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + bytes + ']', &error);
    if (error.error != QJsonParseError::NoError || wrapped.array().size() != 1)
        return std::nullopt;
    return QVariantList();
}

Core::LocalVideoServerPtr localServerOf(const QVariantMap& entry)
{
    const QString host = entry.value(QStringLiteral("ip")).toString();
    qint64 port = 0;
    if (host.isEmpty() || !wholeNumber(entry.value(QStringLiteral("port")), 1, 65535, &port))
        return nullptr;
    const QString name = entry.value(QStringLiteral("name")).toString();
    if (name.isEmpty())
        return nullptr;
    return std::make_shared<Core::LocalVideoServer>(Core::LocalVideoServer::Offline, host, int(port), name,
                                                    entry.value(QStringLiteral("password")).toString(), false, false);
}

// A modal box whose texts show names as typed; the first button accepts, a second one rejects. Returns the index of
// the button clicked, -1 when the box was closed otherwise.
int askUser(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
            const QStringList& buttons)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QList<QAbstractButton*> added;
    for (const QString& button : buttons)
        added << box.addButton(button, added.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    box.setDefaultButton(static_cast<QPushButton*>(added.first()));
    DialogSeam::exec(&box);
    return added.indexOf(box.clickedButton());
}

// Replaces the file as a whole with the bytes, readable and writable by its owner only (it holds passwords); false
// with the reason when it cannot, the file then as it was.
bool writeOwnerOnly(const QString& name, const QByteArray& bytes, QString* reason)
{
    QSaveFile file(name);
    // Unbuffered, so that a write cut short says why. A short write still commits, so each step is checked first.
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                   file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (qint64 done = 0; written && done < bytes.size();) {
        const qint64 count = file.write(bytes.constData() + done, bytes.size() - done);
        written = count > 0;
        done += count;
    }
    if (!written) {
        *reason = file.errorString();
        file.cancelWriting();
    }
    if (file.commit())
        return true;
    if (reason->isEmpty())
        *reason = file.errorString();
    return false;
}

// Cameras keep a copy of their server's password for their previews and players.
void setPassword(const Core::LocalVideoServerPtr& server, const QString& password)
{
    server->setPassword(password);
    const QMap<Core::camera_id_t, Core::CameraPtr> cameras = server->cameras();
    for (const Core::CameraPtr& camera : cameras)
        camera->setPassword(password);
}

LocalServerTreeItem* localRow(QTreeWidgetItem* item)
{
    return item->type() == LocalServerTreeItem::Type ? static_cast<LocalServerTreeItem*>(item) : nullptr;
}

// Camera rows leave the tree before their server row is deleted, so that the preview loader hears of them.
void deleteLocalRow(LocalServerTreeItem* row)
{
    CameraTreeItem::removeAllRows(row);
    if (QTreeWidgetItem* parent = row->QTreeWidgetItem::parent())
        parent->removeChild(row);
    delete row;
}

} // namespace

namespace Internal {

class RosterWidgetPrivate
{
public:
    Ui::RosterWidget ui;
    QTimer* requestTimer = nullptr;
    QTimer* pollTimer = nullptr;
    int requestState = Idle;
    // The one request whose answer is applied; any other sender is a request given up.
    Core::RestClient* pendingRequest = nullptr;
    int pendingTicks = 0;
    QMap<QString, Core::VideoServerPtr> servers;
    QTreeWidgetItem* internetRoot = nullptr;
    QTreeWidgetItem* localRoot = nullptr;
    QPushButton* addButton = nullptr;
    // The context menu's entries, children of the tree.
    QAction* propertiesAction = nullptr;
    QAction* payAction = nullptr;
    QAction* openAllCamerasAction = nullptr;
    QAction* showInCurrentTabAction = nullptr;
    QAction* openCamerasAction = nullptr;
    QAction* addLocalServerAction = nullptr;
    QAction* removeLocalServerAction = nullptr;
    bool localOnly = false;
    Qt::MouseButtons buttonsAtPress;
    QTreeWidgetItem* pressedItem = nullptr;
    Core::GlobalCameraList openedCameras;
    // A row was added, or a row's state or text changed, since the last sort: only then can the order be wrong.
    bool sortNeeded = true;
    QMap<QString, Core::LocalVideoServerPtr> localServers;
    QString localRosterFile;
    // The list file was there but could not be read; it is kept aside before the first save replaces it.
    bool keepBadLocalRoster = false;
    // The running "streams/info" and "vs_info/" requests, each to the id of the server asked.
    QMap<Core::StreamerClient*, QString> pendingCameraLists;
    QMap<Core::StreamerClient*, QString> pendingServerInfos;
    // Ids of the local servers of a poll cycle still waiting for their turn, in order, and the same as a set.
    QList<QString> pollQueue;
    QSet<QString> pollQueued;
    PollLog pollLog;
};

} // namespace Internal

RosterWidget::RosterWidget(QWidget* parent) : QWidget(parent), d(new Internal::RosterWidgetPrivate)
{
    d->requestTimer = new QTimer(this);
    d->requestTimer->setObjectName(QStringLiteral("rosterRequestTimer"));
    d->pollTimer = new QTimer(this);
    d->pollTimer->setObjectName(QStringLiteral("localPollTimer"));

    setupTree();
    createActions();
    QTreeWidget* tree = d->ui.treeWidget;
    tree->resize(250, tree->height());

    connect(d->requestTimer, &QTimer::timeout, this, &RosterWidget::requestServerList);
    connect(d->ui.filter, &QLineEdit::textEdited, this, &RosterWidget::applyFilter);
    connect(tree, &QTreeWidget::itemPressed, this, &RosterWidget::itemPressed);
    connect(tree, &QTreeWidget::itemClicked, this, &RosterWidget::itemClicked);
    connect(tree, &QTreeWidget::customContextMenuRequested, this, &RosterWidget::showContextMenu);
    connect(tree->model(), &QAbstractItemModel::rowsInserted, this, [this] { d->sortNeeded = true; });
    connect(tree->model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (topLeft.column() <= 2 && bottomRight.column() >= 1)
                    d->sortNeeded = true;
            });
    connect(d->addButton, &QPushButton::clicked, this, &RosterWidget::addLocalServer);
    d->localRosterFile = QStringLiteral("local_roster.txt");
    loadLocalRoster();
    connect(d->pollTimer, &QTimer::timeout, this, &RosterWidget::updateLocalServersStatuses);
}

RosterWidget::~RosterWidget()
{
    releasePendingRequest();
    for (auto* pending : {&d->pendingCameraLists, &d->pendingServerInfos}) {
        for (Core::StreamerClient* client : pending->keys())
            client->deleteLater();
    }
}

void RosterWidget::setupTree()
{
    d->ui.setupUi(this);
    QTreeWidget* tree = d->ui.treeWidget;
    setTabOrder(tree, d->ui.filter);
    tree->setAutoScroll(false);
    tree->setFocus();
    tree->setIndentation(10);
    tree->setAlternatingRowColors(true);
    tree->setColumnCount(3);
    tree->hideColumn(1);
    tree->hideColumn(2);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->resize(210, tree->height());

    d->localRoot = new QTreeWidgetItem();
    QFrame* frame = rootFrame(tree, rootFont(d->localRoot), tr("Local videoservers"));
    d->addButton = new QPushButton(frame);
    d->addButton->setToolTip(tr("Add local videoserver"));
    d->addButton->setIcon(QIcon(QStringLiteral(":icons/zoom-in.svg")));
    d->addButton->setIconSize(QSize(20, 20));
    d->addButton->setStyleSheet(QStringLiteral(
        "QPushButton {background-color: qlineargradient(spread:pad, x1:0, y1:0, x2:0, y2:1, stop:0 rgba(233, 233, "
        "233, 255), stop:0.494444 rgba(226, 226, 226, 255), stop:0.5 rgba(220, 220, 220, 255), stop:1 rgba(215, 215, "
        "215, 255));border-radius: 10px;border: 0.5px outset rgb(81, 81, 81);min-width: 20px;max-width: "
        "20px;min-height: 20px;max-height: 20px;}QPushButton:pressed {background-color: qlineargradient(x1: 0, y1: 0, "
        "x2: 0, y2: 1,stop: 0 #dadbde, stop: 1 #f6f7fa);}QPushButton:hover {border: none;}QPushButton:default { "
        "border-color: navy; }"));
    frame->layout()->addWidget(d->addButton);
    tree->addTopLevelItem(d->localRoot);
    tree->setItemWidget(d->localRoot, 0, frame);
    // The Internet root's empty text sorts before this one.
    d->localRoot->setText(1, QStringLiteral("1"));
    d->localRoot->setExpanded(true);
    setRootToolTip(tree, frame, tr("Servers accessible over the LAN"));
}

void RosterWidget::createActions()
{
    QTreeWidget* tree = d->ui.treeWidget;
    auto action = [tree](const QString& text, const char* icon) {
        auto* made = new QAction(text, tree);
        if (icon)
            made->setIcon(QIcon(QLatin1String(icon)));
        return made;
    };
    d->propertiesAction = action(tr("Properties"), ":icons/server-properties.png");
    d->propertiesAction->setIconVisibleInMenu(true);
    d->payAction = action(tr("Pay"), ":icons/pay.png");
    d->openAllCamerasAction = action(tr("Open all server's cameras"), nullptr);
    d->showInCurrentTabAction = action(tr("Add to the current view"), nullptr);
    d->openCamerasAction = action(tr("Open cameras"), nullptr);
    d->addLocalServerAction = action(tr("Add local videoserver"), nullptr);
    d->removeLocalServerAction = action(tr("Remove local videoserver"), ":icons/remove.png");
    connect(d->propertiesAction, &QAction::triggered, this, &RosterWidget::showProperties);
    connect(d->payAction, &QAction::triggered, this, &RosterWidget::payForService);
    connect(d->openAllCamerasAction, &QAction::triggered, this, &RosterWidget::openAllCameras);
    connect(d->showInCurrentTabAction, &QAction::triggered, this, &RosterWidget::showInCurrentTab);
    connect(d->openCamerasAction, &QAction::triggered, this, &RosterWidget::openCameras);
    connect(d->addLocalServerAction, &QAction::triggered, this, &RosterWidget::addLocalServer);
    connect(d->removeLocalServerAction, &QAction::triggered, this, &RosterWidget::removeLocalServers);
}

void RosterWidget::createInternetRoot()
{
    if (d->internetRoot)
        return;
    QTreeWidget* tree = d->ui.treeWidget;
    d->internetRoot = new QTreeWidgetItem();
    const QFont font = rootFont(d->internetRoot);
    tree->insertTopLevelItem(0, d->internetRoot);
    QFrame* frame = rootFrame(tree, font, tr("Internet videoservers"));
    tree->setItemWidget(d->internetRoot, 0, frame);
    // An empty text, not none: a row without a sort text would go after the local root.
    d->internetRoot->setText(1, QString());
    d->internetRoot->setExpanded(true);
    setRootToolTip(tree, frame, tr("Servers accessible over the Internet"));
}

void RosterWidget::init(bool localOnly)
{
    d->localOnly = localOnly;
    if (!localOnly) {
        createInternetRoot();
        requestServerList();
        d->requestTimer->start(Utils::intervalMs(Utils::Interval::RosterRefresh));
    }
    updateLocalServersStatuses();
    d->pollTimer->start(Utils::intervalMs(Utils::Interval::LocalServerPoll));
    Core::PreviewLoader::instance()->start();
}

void RosterWidget::deinit()
{
    Core::PreviewLoader::instance()->stop();
    // The session is gone: an answer still on its way has nothing left to apply to.
    releasePendingRequest();
    d->requestState = Idle;
    d->servers.clear();
    // Servers not yet asked in this cycle are not asked any more.
    d->pollQueue.clear();
    d->pollQueued.clear();
    delete d->internetRoot;
    d->internetRoot = nullptr;
    d->pollTimer->stop();
    d->requestTimer->stop();
}

QList<QTreeWidgetItem*> RosterWidget::serverRows() const
{
    QList<QTreeWidgetItem*> rows;
    for (QTreeWidgetItem* root : {d->internetRoot, d->localRoot}) {
        for (int i = 0; root && i < root->childCount(); ++i)
            rows << root->child(i);
    }
    return rows;
}

void RosterWidget::expandAll()
{
    d->ui.treeWidget->deferLayout();
    for (QTreeWidgetItem* row : serverRows())
        row->setExpanded(true);
}

void RosterWidget::collapseAll()
{
    d->ui.treeWidget->deferLayout();
    for (QTreeWidgetItem* row : serverRows())
        row->setExpanded(false);
}

void RosterWidget::removeOpenedCamera(Core::CameraPtr camera)
{
    if (camera)
        d->openedCameras.remove(camera->globalId());
}

void RosterWidget::removeAllOpenedCameras()
{
    d->openedCameras.clear();
}

void RosterWidget::addOpenedCamera(Core::CameraPtr camera)
{
    if (camera)
        d->openedCameras.insert(camera->globalId(), camera);
}

void RosterWidget::requestServerList()
{
    if (d->requestState == Pending) {
        if (++d->pendingTicks < kStuckTicks)
            return;
        qWarning() << "Servers list request got no answer, asking again";
        releasePendingRequest();
    }
    auto* client = new Core::RestClient();
    connect(client, &Core::RestClient::responceReceived, this, &RosterWidget::onServersListReceived);
    connect(client, &Core::RestClient::error, this, &RosterWidget::onServersListRequestError);
    d->pendingRequest = client;
    d->pendingTicks = 0;
    d->requestState = Pending;
    Core::SessionManager* session = Core::SessionManager::instance();
    const QVariantMap params{{QStringLiteral("sessionId"), session ? session->sessionId() : QString()}};
    client->request(QStringLiteral("public/roster"), params, QStringLiteral("GET"));
}

bool RosterWidget::takeReply()
{
    auto* client = qobject_cast<Core::RestClient*>(sender());
    if (!client)
        return true;
    client->deleteLater();
    if (client != d->pendingRequest)
        return false;
    d->pendingRequest = nullptr;
    return true;
}

void RosterWidget::releasePendingRequest()
{
    if (!d->pendingRequest)
        return;
    disconnect(d->pendingRequest, nullptr, this, nullptr);
    d->pendingRequest->deleteLater();
    d->pendingRequest = nullptr;
}

void RosterWidget::onServersListReceived(QVariant serversList)
{
    if (!takeReply() || !d->internetRoot)
        return;
    // A reply may change every row.
    d->ui.treeWidget->deferLayout();
    const RosterTree::Batch batch(d->ui.treeWidget);
    // The view keeps an index for each expanded row, which every row added or taken out updates: the server rows
    // are collapsed while the reply is applied.
    QList<QTreeWidgetItem*> expanded;
    for (int i = 0; i < d->internetRoot->childCount(); ++i) {
        QTreeWidgetItem* row = d->internetRoot->child(i);
        if (row->isExpanded()) {
            row->setExpanded(false);
            expanded << row;
        }
    }
    const bool firstFill = d->internetRoot->childCount() == 0;
    QSet<QString> seen;
    int built = 0;
    const QVariantMap servers = serversList.toMap();
    for (const QVariant& value : servers) {
        const QVariantMap object = value.toMap();
        if (object.isEmpty())
            continue;
        const Core::VideoServerPtr fresh = buildServer(object, &built);
        seen.insert(fresh->id());
        mergeServer(fresh);
    }
    for (auto it = d->servers.begin(); it != d->servers.end();) {
        if (seen.contains(it.key())) {
            ++it;
            continue;
        }
        const Core::VideoServerPtr vanished = it.value();
        it = d->servers.erase(it);
        vanished->invalidate();
    }
    sortTree();
    for (QTreeWidgetItem* row : std::as_const(expanded)) {
        // Rows of vanished servers are out of the tree already.
        if (row->parent() == d->internetRoot)
            row->setExpanded(true);
    }
    if (firstFill) {
        d->internetRoot->setExpanded(true);
        if (built <= 10)
            expandAll();
    }
    d->requestState = Applied;
}

void RosterWidget::mergeServer(const Core::VideoServerPtr& fresh)
{
    const auto found = d->servers.constFind(fresh->id());
    if (found == d->servers.constEnd()) {
        d->servers.insert(fresh->id(), fresh);
        auto* item = new ServerTreeItem(fresh);
        connect(item, &ServerTreeItem::invalidated, this, &RosterWidget::serverItemInvalidated);
        d->internetRoot->addChild(item);
        return;
    }

    // Values without a signal are stored before those with one, so that the rows recomputing on a signal read
    // the whole new state.
    const Core::VideoServerPtr stored = found.value();
    stored->setServiceStatus(fresh->serviceStatus());
    stored->setHasArchive(fresh->hasArchive());
    if (stored->alias() != fresh->alias())
        stored->setAlias(fresh->alias());
    if (stored->flags() != fresh->flags())
        stored->setFlags(fresh->flags());

    const QMap<Core::camera_id_t, Core::CameraPtr> held = stored->cameras();
    const QMap<Core::camera_id_t, Core::CameraPtr> cameras = fresh->cameras();
    for (const Core::CameraPtr& camera : cameras) {
        Core::CameraPtr kept = held.value(camera->id());
        const bool known = bool(kept);
        if (!known) {
            // A camera still open in a player comes back as the record the player holds.
            kept = d->openedCameras.value(camera->globalId());
            if (!kept) {
                stored->addCamera(camera);
                continue;
            }
            kept->setPassword(camera->password());
        }
        kept->setName(camera->name());
        kept->setArchiveExportSupported(camera->isArchiveExportSupported());
        kept->setServiceStatus(camera->serviceStatus());
        kept->setFlags(camera->flags());
        if (!known)
            stored->addCamera(kept);
    }
    for (auto it = held.cbegin(); it != held.cend(); ++it) {
        if (!cameras.contains(it.key()))
            stored->removeCamera(it.key());
    }
}

void RosterWidget::onServersListRequestError(int errorCode)
{
    if (!takeReply())
        return;
    qWarning() << "Servers list request error:" << errorCode;
    d->ui.treeWidget->deferLayout();
    for (const Core::VideoServerPtr& server : std::as_const(d->servers)) {
        server->setFlags(Core::VideoServer::Offline);
        const QMap<Core::camera_id_t, Core::CameraPtr> cameras = server->cameras();
        for (const Core::CameraPtr& camera : cameras)
            camera->setFlags(Core::Camera::Offline);
    }
    d->requestState = Idle;
    if (errorCode == 10017)
        emit relogin();
    else if (errorCode == 10002)
        emit badSession();
}

void RosterWidget::loadLocalRoster()
{
    QFile file(d->localRosterFile);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "Cannot open local roster" << d->localRosterFile;
        d->keepBadLocalRoster = QFileInfo::exists(d->localRosterFile);
        return;
    }
    const QByteArray bytes = file.readAll();
    const std::optional<QVariantList> entries =
        file.error() == QFileDevice::NoError ? parseLocalRoster(bytes) : std::nullopt;
    if (!entries) {
        qWarning() << "Bad local roster file:" << d->localRosterFile;
        d->keepBadLocalRoster = true;
        return;
    }
    for (const QVariant& value : *entries) {
        const QVariantMap entry = value.toMap();
        if (entry.isEmpty())
            continue;
        const Core::LocalVideoServerPtr server = localServerOf(entry);
        // The first entry of an address wins.
        if (server && !d->localServers.contains(server->id()))
            addLocalServerItem(server);
    }
}

void RosterWidget::saveLocalRoster()
{
    const QString& name = d->localRosterFile;
    QString reason;
    if (d->keepBadLocalRoster && QFileInfo::exists(name)) {
        const QString bad = name + QStringLiteral(".bad");
        QFile source(name);
        QByteArray bytes;
        if (source.open(QIODevice::ReadOnly))
            bytes = source.readAll();
        if (source.error() != QFileDevice::NoError)
            reason = source.errorString();
        else
            writeOwnerOnly(bad, bytes, &reason);
        if (!reason.isEmpty()) {
            qWarning() << "Cannot keep the unreadable local roster as" << bad << reason;
            qWarning() << "Cannot save local roster" << name;
            askUser(this, QMessageBox::Warning, tr("Local videoservers have not been saved"),
                    tr("The list of local videoservers \"%1\" could not be read at start, and it cannot be kept as "
                       "\"%2\": %3.\n\nThe list is not overwritten, so your change is not saved and lasts only until "
                       "the program is closed.")
                        .arg(QFileInfo(name).absoluteFilePath(), QFileInfo(bad).absoluteFilePath(), reason),
                    {tr("I see")});
            return;
        }
        qWarning() << "Unreadable local roster kept as" << bad;
    }
    d->keepBadLocalRoster = false;

    QVariantList list;
    for (const Core::LocalVideoServerPtr& server : std::as_const(d->localServers)) {
        list << QVariantMap{{QStringLiteral("ip"), server->host()},
                            {QStringLiteral("name"), server->name()},
                            {QStringLiteral("password"), server->password()},
                            {QStringLiteral("port"), server->port()}};
    }
    if (writeOwnerOnly(name, QJsonDocument::fromVariant(list).toJson(QJsonDocument::Compact), &reason))
        return;
    qWarning() << "Cannot save local roster" << name << reason;
    askUser(this, QMessageBox::Warning, tr("Local videoservers have not been saved"),
            tr("The list of local videoservers cannot be saved to the file \"%1\": %2.\n\nYour change lasts only "
               "until the program is closed.")
                .arg(QFileInfo(name).absoluteFilePath(), reason),
            {tr("I see")});
}

void RosterWidget::addLocalServerItem(Core::LocalVideoServerPtr server)
{
    d->localRoot->addChild(new LocalServerTreeItem(server));
    d->localServers.insert(server->id(), server);
    connect(server.get(), &Core::LocalVideoServer::stateChanged, this, &RosterWidget::onLocalVideoserverStateChanged);
}

void RosterWidget::updateLocalServersStatuses()
{
    // A cycle that has not ended yet is summed up here.
    d->pollLog.summarise();
    for (auto it = d->localServers.cbegin(); it != d->localServers.cend(); ++it) {
        if (!d->pollQueued.contains(it.key())) {
            d->pollQueued.insert(it.key());
            d->pollQueue.append(it.key());
        }
    }
    pollWaitingServers();
}

void RosterWidget::pollWaitingServers()
{
    QSet<QString> asked;
    for (const auto* pending : {&d->pendingCameraLists, &d->pendingServerInfos}) {
        for (const QString& id : *pending)
            asked.insert(id);
    }
    while (!d->pollQueue.isEmpty() && asked.size() < kMaxPolledServers) {
        const QString id = d->pollQueue.takeFirst();
        d->pollQueued.remove(id);
        // Gone meanwhile, or replaced by a server at the same address, which is asked instead.
        const Core::LocalVideoServerPtr server = d->localServers.value(id);
        if (!server)
            continue;
        getLocalServerCameras(server);
        getLocalServerInfo(server);
        asked.insert(id);
    }
}

void RosterWidget::getLocalServerCameras(Core::LocalVideoServerPtr server)
{
    askLocalServer(server, true);
}

void RosterWidget::getLocalServerInfo(Core::LocalVideoServerPtr server)
{
    askLocalServer(server, false);
}

void RosterWidget::askLocalServer(const Core::LocalVideoServerPtr& server, bool cameraList)
{
    QMap<Core::StreamerClient*, QString>& pending = cameraList ? d->pendingCameraLists : d->pendingServerInfos;
    // One request of a kind per server: a slow server is not asked again before it answers or times out.
    if (pending.key(server->id()))
        return;
    const Core::CameraEndpoint endpoint(*server);
    Core::StreamerClient* client = endpoint.newClient();
    // A server that never ends its answer, or sends it a byte at a time, would otherwise hold its place for good.
    client->setRequestTimeout(Utils::intervalMs(Utils::Interval::LocalServerTimeout));
    // The failures of a cycle are logged by the roster, which sums them up.
    client->setQuiet(true);
    pending.insert(client, server->id());
    if (cameraList) {
        connect(client, &Core::StreamerClient::responceReceived, this, &RosterWidget::onLocalCamerasReceived);
        connect(client, &Core::StreamerClient::error, this, &RosterWidget::onCameraListRequestError);
    } else {
        connect(client, &Core::StreamerClient::responceReceived, this, &RosterWidget::onLocalVsInfoReceived);
        connect(client, &Core::StreamerClient::error, this, &RosterWidget::onVsInfoRequestError);
    }
    client->request(cameraList ? QStringLiteral("streams/info") : QStringLiteral("vs_info/"), endpoint.requestParams(),
                    true);
}

Core::LocalVideoServerPtr RosterWidget::takeLocalReply(bool cameraList)
{
    QObject* from = sender();
    if (from)
        from->deleteLater();
    auto* client = qobject_cast<Core::StreamerClient*>(from);
    QMap<Core::StreamerClient*, QString>& pending = cameraList ? d->pendingCameraLists : d->pendingServerInfos;
    const auto found = pending.find(client);
    if (!client || found == pending.end())
        return nullptr;
    const QString id = found.value();
    pending.erase(found);
    pollWaitingServers();
    if (d->pollQueue.isEmpty() && d->pendingCameraLists.isEmpty() && d->pendingServerInfos.isEmpty()) {
        // Once the reply is applied: its lines belong to the cycle that ends with it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (d->pollQueue.isEmpty() && d->pendingCameraLists.isEmpty() && d->pendingServerInfos.isEmpty())
                    d->pollLog.summarise();
            },
            Qt::QueuedConnection);
    }
    return d->localServers.value(id);
}

void RosterWidget::onLocalCamerasReceived(QVariant responce)
{
    const Core::LocalVideoServerPtr server = takeLocalReply(true);
    if (!server)
        return;
    const RosterTree::Batch batch(d->ui.treeWidget);
    server->setState(Core::LocalVideoServer::Online);

    const QVariantList list = responce.toList();
    if (list.isEmpty()) {
        removeAllLocalCameras(server);
        sortTree();
        return;
    }
    // The first entry of an id builds its camera, in the first entry's place; the later ones only set its status,
    // which is applied once, from the last of them: applying each would turn the camera on and off, and ask for its
    // preview, each time.
    QList<QPair<Core::camera_id_t, QVariantMap>> firstEntries;
    QHash<Core::camera_id_t, QVariantMap> lastEntry;
    for (const QVariant& value : list) {
        const QVariantMap object = value.toMap();
        qint64 id = 0;
        if (object.isEmpty() || !wholeNumber(object.value(QStringLiteral("id")), INT_MIN, INT_MAX, &id))
            continue;
        const auto found = lastEntry.find(Core::camera_id_t(id));
        if (found != lastEntry.end()) {
            *found = object;
            continue;
        }
        lastEntry.insert(Core::camera_id_t(id), object);
        firstEntries.append({Core::camera_id_t(id), object});
    }
    for (const auto& [id, object] : std::as_const(firstEntries)) {
        const Core::Camera::CameraFlags flags = localCameraFlags(lastEntry.value(id));
        if (server->hasCamera(id)) {
            // A known camera keeps the name, codec and size it was first built with.
            server->cameras().value(id)->setFlags(flags);
            continue;
        }
        const QString name = object.value(QStringLiteral("name")).toString();
        auto fresh = std::make_shared<Core::Camera>(
            id, name, server->id(), 1, server->name(), true, server->isArchiveExportSupported(),
            server->isArchiveSearchSupported(), resolutionOf(object), object.value(QStringLiteral("vcodec")).toString(),
            localCameraFlags(object), QString());
        // A camera still open in a player comes back as the record the player holds.
        const Core::CameraPtr opened = d->openedCameras.value(fresh->globalId());
        if (opened) {
            opened->setName(name);
            opened->setArchiveExportSupported(server->isArchiveExportSupported());
            opened->setPassword(server->password());
            opened->setFlags(flags);
            server->addCamera(opened);
        } else {
            server->addCamera(fresh);
            fresh->setFlags(flags);
        }
    }
    const QList<Core::camera_id_t> held = server->cameras().keys();
    for (Core::camera_id_t id : held) {
        if (!lastEntry.contains(id))
            server->removeCamera(id, d->pollLog.admit(PollLog::CameraRemovals));
    }
    sortTree();
}

void RosterWidget::removeAllLocalCameras(const Core::LocalVideoServerPtr& server)
{
    // The record writes its line only when it has cameras.
    server->removeAllCameras(server->cameras().isEmpty() || d->pollLog.admit(PollLog::CameraRemovals));
}

void RosterWidget::onCameraListRequestError(int errorCode, int httpStatus)
{
    const bool logged = d->pollLog.admit(PollLog::CameraListErrors);
    if (logged) {
        logFailureLine(sender());
        qDebug() << "Roster: local roster update error" << errorCode << "http" << httpStatus;
    }
    const Core::LocalVideoServerPtr server = takeLocalReply(true);
    if (!server)
        return;
    Core::LocalVideoServer::LocalVideoServerState state;
    switch (errorCode) {
    case -3:
        state = Core::LocalVideoServer::AccessDenied;
        break;
    case -2:
        state = Core::LocalVideoServer::IncorrectAnswer;
        break;
    case -4:
        state = Core::LocalVideoServer::Offline;
        break;
    default:
        if (logged)
            qWarning() << "Local roster update: unexpected error";
        return;
    }
    if (server->state() == state && server->cameras().isEmpty())
        return;
    removeAllLocalCameras(server);
    server->setState(state);
    sortTree();
}

void RosterWidget::onLocalVsInfoReceived(QVariant responce)
{
    const Core::LocalVideoServerPtr server = takeLocalReply(false);
    if (!server)
        return;
    const QVariantMap info = responce.toMap();
    if (info.isEmpty())
        return;
    const QVariantList functions = info.value(QStringLiteral("functions")).toList();
    // Only ever turned on: a server keeps a capability once reported.
    if (functions.contains(QVariant(QStringLiteral("arc_export"))))
        server->setArchiveExportSupported(true);
    if (functions.contains(QVariant(QStringLiteral("arc_search"))))
        server->setArchiveSearchSupported(true);
}

void RosterWidget::onVsInfoRequestError(int errorCode, int httpStatus)
{
    if (d->pollLog.admit(PollLog::ServerInfoErrors)) {
        logFailureLine(sender());
        qDebug() << "Roster: local vs_info update error" << errorCode << "http" << httpStatus;
    }
    takeLocalReply(false);
}

void RosterWidget::onLocalVideoserverStateChanged(Core::LocalVideoServer::LocalVideoServerState state)
{
    auto* server = qobject_cast<Core::LocalVideoServer*>(sender());
    if (!server)
        return;
    if (d->pollLog.admit(PollLog::StateChanges)) {
        // The row's line, which it leaves to the roster.
        qDebug() << "Local videoserver state changed to:" << int(state);
        qDebug() << "onLocalVideoserverStateChanged:" << server->name() << int(state)
                 << Core::LocalVideoServer::stateText(state);
    }
    emit localVideoserverStateChanged(server, state);
}

void RosterWidget::sortTree()
{
    if (!d->sortNeeded)
        return;
    d->sortNeeded = false;
    QTreeWidget* tree = d->ui.treeWidget;
    // Every sort re-lays out all item widgets, even when no row moves.
    if (isSorted(tree->invisibleRootItem()))
        return;
    tree->sortItems(2, Qt::AscendingOrder);
    tree->sortItems(1, Qt::AscendingOrder);
}

void RosterWidget::applyFilter(QString text)
{
    for (QTreeWidgetItem* row : serverRows())
        row->setHidden(!row->text(2).contains(text, Qt::CaseInsensitive));
}

void RosterWidget::itemPressed(QTreeWidgetItem* item, int)
{
    d->pressedItem = item;
    d->buttonsAtPress =
        QApplication::keyboardModifiers().testFlag(Qt::ControlModifier) ? Qt::NoButton : QApplication::mouseButtons();
}

void RosterWidget::itemClicked(QTreeWidgetItem* item, int)
{
    // Right and middle clicks, and clicks with Control held, only select.
    if (!d->buttonsAtPress.testFlag(Qt::LeftButton) || item != d->pressedItem)
        return;
    if (!item->flags().testFlag(Qt::ItemIsEnabled))
        return;
    if (item->type() == CameraTreeItem::Type)
        openCameras();
    else
        item->setExpanded(!item->isExpanded());
}

void RosterWidget::keyPressEvent(QKeyEvent* event)
{
    const QList<QTreeWidgetItem*> selected = d->ui.treeWidget->selectedItems();
    if (selected.isEmpty() || (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter))
        return;
    QTreeWidgetItem* only = selected.size() == 1 ? selected.first() : nullptr;
    if (only && (only->type() == ServerTreeItem::Type || only->type() == LocalServerTreeItem::Type))
        only->setExpanded(!only->isExpanded());
    else
        openCameras();
}

Core::GlobalCameraList RosterWidget::selectedCameras() const
{
    Core::GlobalCameraList cameras;
    int rows = 0;
    const QList<QTreeWidgetItem*> selected = d->ui.treeWidget->selectedItems();
    for (QTreeWidgetItem* item : selected) {
        if (item->type() != CameraTreeItem::Type)
            continue;
        if (++rows > kMaxCameras)
            break;
        const Core::CameraPtr camera = static_cast<CameraTreeItem*>(item)->camera();
        cameras.insert(camera->globalId(), camera);
    }
    return cameras;
}

void RosterWidget::openCameras()
{
    emit openCamerasRequested(selectedCameras(), true);
}

void RosterWidget::showInCurrentTab()
{
    emit openCamerasRequested(selectedCameras(), false);
}

void RosterWidget::openAllCameras()
{
    Core::GlobalCameraList cameras;
    const QList<QTreeWidgetItem*> selected = d->ui.treeWidget->selectedItems();
    for (QTreeWidgetItem* item : selected) {
        if (item->type() != ServerTreeItem::Type && item->type() != LocalServerTreeItem::Type)
            continue;
        for (int i = 0; i < item->childCount() && cameras.size() < kMaxCameras; ++i) {
            const Core::CameraPtr camera = static_cast<CameraTreeItem*>(item->child(i))->camera();
            cameras.insert(camera->globalId(), camera);
        }
    }
    qDebug() << "DEBUG: cameras count" << cameras.size();
    emit openCamerasRequested(cameras, true);
}

void RosterWidget::showContextMenu(QPoint pos)
{
    QTreeWidget* tree = d->ui.treeWidget;
    QTreeWidgetItem* item = tree->itemAt(pos);
    if (item && item == d->internetRoot)
        return;
    QMenu menu;
    if (!item || item == d->localRoot) {
        menu.addAction(d->addLocalServerAction);
    } else if (item->type() == ServerTreeItem::Type) {
        const Core::VideoServerPtr server = static_cast<ServerTreeItem*>(item)->server();
        if (server->isAvailable())
            menu.addAction(d->openAllCamerasAction);
        if (server->isOwner() &&
            (server->flags() & (Core::VideoServer::SomeCamerasNotPaid | Core::VideoServer::AllCamerasNotPaid)))
            menu.addAction(d->payAction);
        menu.addAction(d->propertiesAction);
    } else if (item->type() == CameraTreeItem::Type) {
        menu.addAction(d->showInCurrentTabAction);
        menu.addAction(d->openCamerasAction);
        QTreeWidgetItem* parent = item->parent();
        if (static_cast<CameraTreeItem*>(item)->camera()->flags().testFlag(Core::Camera::NotPaid) && parent &&
            parent->type() == ServerTreeItem::Type && static_cast<ServerTreeItem*>(parent)->server()->isOwner())
            menu.addAction(d->payAction);
    } else if (LocalServerTreeItem* local = localRow(item)) {
        if (local->server()->state() == Core::LocalVideoServer::Online)
            menu.addAction(d->openAllCamerasAction);
        menu.addAction(d->removeLocalServerAction);
        menu.addAction(d->propertiesAction);
    }
    if (!menu.isEmpty())
        menu.exec(tree->viewport()->mapToGlobal(pos));
}

void RosterWidget::payForService()
{
    bool billing = false;
    const QList<QTreeWidgetItem*> selected = d->ui.treeWidget->selectedItems();
    for (QTreeWidgetItem* item : selected) {
        QString status;
        if (item->type() == CameraTreeItem::Type)
            status = static_cast<CameraTreeItem*>(item)->camera()->serviceStatus();
        else if (item->type() == ServerTreeItem::Type)
            status = static_cast<ServerTreeItem*>(item)->server()->serviceStatus();
        billing = billing || status == QLatin1String("billing");
    }
    QDesktopServices::openUrl(ServerPropertiesDialog::paymentPage(billing));
}

void RosterWidget::showProperties()
{
    const QList<QTreeWidgetItem*> selected = d->ui.treeWidget->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* item = selected.first();
    if (item->type() == ServerTreeItem::Type)
        ServerPropertiesDialog::showProperties(static_cast<ServerTreeItem*>(item)->server());
    else if (LocalServerTreeItem* local = localRow(item))
        editLocalServer(local->server());
}

void RosterWidget::editLocalServer(const Core::LocalVideoServerPtr& current)
{
    const Core::LocalVideoServerPtr edited = LocalServerDialog::editServer(current);
    if (!edited || *edited == *current)
        return;
    if (edited->id() == current->id()) {
        if (edited->name() != current->name())
            current->setName(edited->name());
        if (edited->password() != current->password())
            setPassword(current, edited->password());
    } else if (d->localServers.contains(edited->id())) {
        askUser(
            this, QMessageBox::Warning,
            tr("Videoserver \"%1\" address has not been changed").arg(Utils::cutText(current->name())),
            tr("The address of videoserver \"%1\" has not been changed: it stays %2 under the name \"%3\", "
               "because another videoserver of your list already has the address you entered.")
                .arg(Utils::cutText(edited->name()), Utils::cutText(current->id()), Utils::cutText(current->name())),
            {tr("I see")});
        return;
    } else {
        qDebug() << "Server id changed: create this:" << edited->id() << ", remove this:" << current->id();
        removeLocalServerItem(current);
        addLocalServerItem(edited);
    }
    saveLocalRoster();
    updateLocalServersStatuses();
}

void RosterWidget::addLocalServer()
{
    const Core::LocalVideoServerPtr entered = LocalServerDialog::addServer();
    if (!entered)
        return;
    const Core::LocalVideoServerPtr existing = d->localServers.value(entered->id());
    if (!existing) {
        addLocalServerItem(entered);
        saveLocalRoster();
        updateLocalServersStatuses();
        return;
    }

    for (int i = 0; i < d->localRoot->childCount(); ++i) {
        if (LocalServerTreeItem* row = localRow(d->localRoot->child(i)))
            row->setSelected(*row->server() == *existing);
    }
    const bool sameName = entered->name() == existing->name();
    const bool samePassword = entered->password() == existing->password();
    if (sameName && samePassword) {
        askUser(this, QMessageBox::Warning,
                tr("Videoserver \"%1\" has not been added").arg(Utils::cutText(entered->name())),
                tr("Videoserver has not been added, because the same videoserver is already exists in your list."),
                {tr("I see")});
        return;
    }
    QString difference;
    if (sameName)
        difference = tr("other password");
    else if (samePassword)
        difference = tr("name \"%1\"").arg(Utils::cutText(entered->name()));
    else
        difference = tr("name \"%1\" and other password").arg(Utils::cutText(entered->name()));
    const int answer = askUser(
        parentWidget(), QMessageBox::Warning, tr("Videoserver already exists"),
        tr("Videoserver %1 already exists and it's name is \"%2\". You've entered %3.\n\nWould you like to set %3 for "
           "the existing server?")
            .arg(Utils::cutText(existing->id()), Utils::cutText(existing->name()), difference),
        {tr("Yes, set the new properties"), tr("No, don't change the old settings")});
    if (answer != 0)
        return;
    existing->setName(entered->name());
    setPassword(existing, entered->password());
    saveLocalRoster();
    updateLocalServersStatuses();
}

void RosterWidget::removeLocalServers()
{
    QList<LocalServerTreeItem*> rows;
    const QList<QTreeWidgetItem*> selected = d->ui.treeWidget->selectedItems();
    for (QTreeWidgetItem* item : selected) {
        if (LocalServerTreeItem* row = localRow(item))
            rows << row;
    }
    if (rows.isEmpty())
        return;
    QString list;
    for (const LocalServerTreeItem* row : std::as_const(rows)) {
        const Core::LocalVideoServerPtr server = row->server();
        list +=
            tr("\n%1 (%2:%3)")
                .arg(Utils::cutText(server->name()), Utils::cutText(server->host()), QString::number(server->port()));
    }
    const int answer = askUser(
        this, QMessageBox::Question, tr("Are you sure?"),
        tr("Are you sure you want to remove %1:\n%2?").arg(rows.size() == 1 ? tr("server") : tr("servers"), list),
        {tr("Yes, remove"), tr("No, do not remove")});
    if (answer != 0)
        return;
    for (LocalServerTreeItem* row : std::as_const(rows)) {
        d->localServers.remove(row->server()->id());
        deleteLocalRow(row);
    }
    saveLocalRoster();
}

void RosterWidget::removeLocalServerItem(Core::LocalVideoServerPtr server)
{
    for (int i = 0; i < d->localRoot->childCount(); ++i) {
        LocalServerTreeItem* row = localRow(d->localRoot->child(i));
        if (row && *row->server() == *server) {
            deleteLocalRow(row);
            break;
        }
    }
    d->localServers.remove(server->id());
}

void RosterWidget::serverItemInvalidated()
{
    auto* item = qobject_cast<ServerTreeItem*>(sender());
    if (!item)
        return;
    d->ui.treeWidget->setItemWidget(item, 0, nullptr);
    // Taken out now, while the reply keeps the server rows collapsed: a row taken out costs as much as the
    // expanded rows of the tree.
    if (QTreeWidgetItem* parent = item->QTreeWidgetItem::parent())
        parent->removeChild(item);
    item->deleteLater();
}

} // namespace GUI
} // namespace QuorvelClient
