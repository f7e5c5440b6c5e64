#pragma once

#include "error_report.h"

#include <QString>

#include <exception>
#include <type_traits>

namespace ferrowax {

// A protected procedure: numbered steps that report a failure with the step's
// number and then go on with the next statement. Each step is one statement,
// so "the next statement" is simply the code after the call.
class Procedure {
public:
    Procedure(ErrorReport& report, QString location);

    // Runs one statement. Answers whether it ran without failing.
    template <class Statement>
    bool step(int line, Statement&& statement)
    {
        line_ = line;
        try {
            statement();
            return true;
        } catch (const std::exception& error) {
            report(error);
            return false;
        }
    }

    // The test of a decision. A failing test counts as passed, so the steps it
    // guards run.
    template <class Condition>
    bool test(int line, Condition&& condition)
    {
        bool result = true;
        step(line, [&] { result = condition(); });
        return result;
    }

    // The bound of a counted loop from `first`. A failing header runs the body
    // once, so the bound becomes `first`.
    template <class Bound>
    int loopBound(int line, int first, Bound&& bound)
    {
        int result = first;
        step(line, [&] { result = bound(); });
        return result;
    }

    // The collection of a "for each" loop, which `items` answers by reference.
    // A failing header runs the body once without a current item: one
    // default-constructed element.
    template <class Items>
    auto loopItems(int line, Items&& items) -> const std::remove_cvref_t<std::invoke_result_t<Items>>&
    {
        using Collection = std::remove_cvref_t<std::invoke_result_t<Items>>;
        static_assert(std::is_lvalue_reference_v<std::invoke_result_t<Items>>, "the collection must outlive the loop");
        static const Collection noCurrentItem(1);
        const Collection* result = &noCurrentItem;
        step(line, [&] { result = &items(); });
        return *result;
    }

private:
    void report(const std::exception& error);

    ErrorReport& report_;
    QString location_;
    int line_ = 0;
};

} // namespace ferrowax
