#pragma once

#include "os/failure.h"

#include <QString>

#include <functional>

namespace ferrowax::testing {

// The failure `action` throws, after the path it concerns where it names
// one; empty when it throws none.
inline QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Failure& failure) {
        return failure.path().isEmpty() ? failure.description()
                                        : QString::fromUtf8(failure.path()) + QStringLiteral(": ") + failure.description();
    }
    return {};
}

} // namespace ferrowax::testing
