#pragma once
// The clipboard's plain text.

#include <QString>

namespace Clipboard {

void SetText(const QString& Text);
QString Text();

} // namespace Clipboard
