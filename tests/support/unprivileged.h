#pragma once

#include <QByteArray>

#include <functional>

namespace ferrowax::testing {

// The user and group a check that must not run as root runs as.
inline constexpr unsigned unprivilegedId = 65534;

// Root ignores modes, so a check of permissions runs in a child that has
// given root up, as `unprivilegedId`. Answers what `check` answered in the
// child, or a text saying how the child failed.
QByteArray runUnprivileged(const std::function<QByteArray()>& check);

} // namespace ferrowax::testing
