#include "WindowHandles.h"

#include <QHash>

namespace WindowHandles {

namespace {

QHash<quintptr, QObject*>& WindowsByHandle()
{
    static QHash<quintptr, QObject*> windows;
    return windows;
}

quintptr NewHandle()
{
    static quintptr last = 0;
    return ++last;
}

} // namespace

quintptr Add(QObject* Window)
{
    const quintptr handle = NewHandle();
    WindowsByHandle().insert(handle, Window);
    return handle;
}

void Remove(quintptr Handle)
{
    WindowsByHandle().remove(Handle);
}

QObject* Find(quintptr Handle)
{
    return WindowsByHandle().value(Handle, nullptr);
}

} // namespace WindowHandles
