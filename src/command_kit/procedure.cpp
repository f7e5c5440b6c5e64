#include "procedure.h"

#include "os/failure.h"

namespace ferrowax {

Procedure::Procedure(ErrorReport& report, QString location)
    : report_(report)
    , location_(std::move(location))
{
}

void Procedure::report(const std::exception& error)
{
    report_.show(location_, line_, error);
}

} // namespace ferrowax
