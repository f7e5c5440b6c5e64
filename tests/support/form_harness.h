#pragma once

#include "scripted_services.h"
#include "window/form1.h"

#include <QPushButton>
#include <QTemporaryDir>

namespace ferrowax::testing {

// The real main window over scripted services, started the way the program
// starts it, with an empty program folder of its own.
struct FormHarness : ScriptedServices {
    QTemporaryDir programFolder;
    Form1 form{services};

    FormHarness() { services.programFolder = programFolder.path(); }

    void start() { form.Form_Load(); }

    template <class Widget = QWidget>
    Widget* control(const char* name)
    {
        return form.findChild<Widget*>(QString::fromLatin1(name));
    }

    void click(const char* buttonName) { control<QPushButton>(buttonName)->click(); }
};

} // namespace ferrowax::testing
