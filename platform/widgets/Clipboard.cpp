#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace Clipboard {

void SetText(const QString& Text)
{
    QGuiApplication::clipboard()->setText(Text);
}

QString Text()
{
    return QGuiApplication::clipboard()->text();
}

} // namespace Clipboard
