#include "support/ObjectCensus.h"

#include <QMutex>
#include <QObject>
#include <QSet>
#include <QtGlobal>

// Qt's hook table (qhooks_p.h): entry 3 is called for every new QObject, entry 4 for every destroyed one.
extern Q_DECL_IMPORT quintptr qtHookData[];

namespace TestSupport {

namespace {

enum { AddQObject = 3, RemoveQObject = 4 };

QSet<QObject*>& objects()
{
    static QSet<QObject*> set;
    return set;
}

// The network layer makes and destroys objects on its own thread too.
QMutex mutex;
quintptr previousAdd = 0;
quintptr previousRemove = 0;

void added(QObject* object)
{
    {
        QMutexLocker locker(&mutex);
        objects().insert(object);
    }
    if (previousAdd)
        reinterpret_cast<void (*)(QObject*)>(previousAdd)(object);
}

void removed(QObject* object)
{
    {
        QMutexLocker locker(&mutex);
        objects().remove(object);
    }
    if (previousRemove)
        reinterpret_cast<void (*)(QObject*)>(previousRemove)(object);
}

} // namespace

ObjectCensus::ObjectCensus()
{
    QMutexLocker locker(&mutex);
    objects().clear();
    previousAdd = qtHookData[AddQObject];
    previousRemove = qtHookData[RemoveQObject];
    qtHookData[AddQObject] = reinterpret_cast<quintptr>(&added);
    qtHookData[RemoveQObject] = reinterpret_cast<quintptr>(&removed);
}

ObjectCensus::~ObjectCensus()
{
    QMutexLocker locker(&mutex);
    qtHookData[AddQObject] = previousAdd;
    qtHookData[RemoveQObject] = previousRemove;
    objects().clear();
}

int ObjectCensus::alive(const QByteArray& className) const
{
    QMutexLocker locker(&mutex);
    int count = 0;
    for (QObject* object : objects()) {
        if (className == object->metaObject()->className())
            ++count;
    }
    return count;
}

} // namespace TestSupport
