#pragma once
// Controls carry their program names as objectName(), so tests and readers find them by name.
#include <QString>
#include <QWidget>

namespace kess {

// A new control of type T with its caption, named `name`.
template <typename T>
T *named(QWidget *parent, const char *name, const QString &caption = {})
{
    auto *w = new T(caption, parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace kess
