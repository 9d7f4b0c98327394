#include "app/station/uPostBox.h"

#include <QMetaObject>

bool TPostBox::Post(std::function<void()> call)
{
    const std::lock_guard lock(FLock);
    if (!FTarget) return false;
    // Posting holds the lock, so the target cannot be destroyed in between.
    QMetaObject::invokeMethod(FTarget, std::move(call), Qt::QueuedConnection);
    return true;
}

void TPostBox::Close()
{
    const std::lock_guard lock(FLock);
    FTarget = nullptr;
}
