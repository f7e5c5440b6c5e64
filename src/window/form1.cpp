#include "form1.h"

#include "accessible_frame.h"
#include "check_announcer.h"
#include "command_button.h"
#include "shell/app_title.h"
#include "command_kit/error_report.h"
#include "shell/help.h"
#include "shell/home_page.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "inputs/sample_folders.h"
#include "list_view_events.h"
#include "literal_progress_bar.h"
#include "look.h"
#include "desktop_services/cursor_file.h"
#include "walk_engine/file_system.h"
#include "os/process_end.h"
#include "os/regular_file.h"
#include "pointer_rule_watch.h"
#include "report_view.h"
#include "result_list_actions.h"
#include "screen_fit.h"
#include "results/clipboard_export.h"
#include "results/result_filters.h"
#include "results/spreadsheet_export.h"
#include "results/text_export.h"
#include "skin.h"
#include "throttle.h"

#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

// Positions and sizes are designed in twips; 15 twips make a pixel at 96 dpi.
constexpr int pixels(int twips)
{
    return (twips + 7) / 15;
}

QRect fromTwips(QRect twips)
{
    return {pixels(twips.x()), pixels(twips.y()), pixels(twips.width()), pixels(twips.height())};
}

constexpr QSize clientSize{1064, 392};

// How often what a search changes may reach the screen.
constexpr int showIntervalMilliseconds = 50;

const QString folderListTip = u"Double-click item to remove it. Move | line to right and out of window to reveal full names."_s;
const QString extensionListTip = u"Move | line to right and out of window to reveal full names."_s;
const QString resultListTip = u"Double-click item to open it. Move | line to right and out of window to reveal full names."_s;

} // namespace

Form1::Form1(Services& services)
    : services_(services)
    , searchRun_(state_, services)
    , folderListCommands_(state_, services)
    , extensionListCommands_(state_, services)
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Form1"_s);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(clientSize);
    setFont(designedFont(9));
    setPalette(designedPalette());
    setAutoFillBackground(true);
    announceMainWindowAsFrame();

    // The controls stand where they were designed on a surface of the
    // designed size, which scrolls where the screen is too small for it.
    auto* scrollArea = new QScrollArea(this);
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setFocusPolicy(Qt::NoFocus);
    surface_ = new QWidget;
    surface_->setFixedSize(clientSize);
    scrollArea->setWidget(surface_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(QMargins());
    layout->addWidget(scrollArea);

    createControls();
    new ScreenFit(*this, *scrollArea);

    connect(&state_, &WindowState::mousePointerChanged, this, &Form1::showMousePointer);
    auto* progressShown = new Throttle(showIntervalMilliseconds, [this] { showProgress(); }, this);
    connect(&state_, &WindowState::progressChanged, progressShown, &Throttle::request);
    connect(&state_, &WindowState::startButtonCaptionChanged, pushButton1_, &QPushButton::setText);
    connect(&state_.resultList(), &EntryListModel::scrollToEndRequested, listView2_, &ReportView::scrollToBottom);
}

void Form1::createControls()
{
    listView1_ = addList("ListView1", state_.folderList(), folderListTip, {120, 120, 7800, 1680});
    QPushButton* pushButton3 = addButton("PushButton3", u"Add Drive/Folder To Search"_s, {120, 1890, 3840, 405},
        [this] { folderListCommands_.PushButton3_Click(); });
    QPushButton* pushButton8 = addButton(
        "PushButton8", u"Clear List"_s, {4080, 1890, 3840, 405}, [this] { folderListCommands_.PushButton8_Click(); });
    QPushButton* pushButton9 = addButton(
        "PushButton9", u"Help"_s, {120, 2400, 3840, 405}, [this] { PushButton9_Click(services_.dialogs); });
    QPushButton* pushButton11 = addButton("PushButton11", u"Load Sample/Example Folder"_s, {4080, 2400, 3840, 405},
        [this] { PushButton11_Click(state_, services_); });
    listView3_ = addList("ListView3", state_.extensionList(), extensionListTip, {120, 2900, 7800, 1350});
    QPushButton* pushButton7 = addButton("PushButton7", u"Add Extension To Search"_s, {120, 4340, 3840, 405},
        [this] { extensionListCommands_.PushButton7_Click(); });
    QPushButton* pushButton10 = addButton("PushButton10", u"Clear List"_s, {4080, 4340, 3840, 405},
        [this] { extensionListCommands_.PushButton10_Click(); });
    pushButton1_ = addButton("PushButton1", state_.startButtonCaption(), {120, 4850, 7800, 405},
        [this] { searchRun_.PushButton1_Click(); });

    auto* listView1Events = new ListViewEvents(listView1_);
    connect(listView1Events, &ListViewEvents::doubleClicked, this,
        [this](int selected) { folderListCommands_.ListView1_DblClick(selected); });
    connect(listView1Events, &ListViewEvents::keyDown, this,
        [this](int keyCode, int selected) { folderListCommands_.ListView1_KeyDown(keyCode, selected); });
    auto* listView3Events = new ListViewEvents(listView3_);
    connect(listView3Events, &ListViewEvents::doubleClicked, this,
        [this](int selected) { extensionListCommands_.ListView3_DblClick(selected); });
    connect(listView3Events, &ListViewEvents::keyDown, this,
        [this](int keyCode, int selected) { extensionListCommands_.ListView3_KeyDown(keyCode, selected); });

    progressBar1_ = new LiteralProgressBar(surface_);
    progressBar1_->setObjectName(u"ProgressBar1"_s);
    progressBar1_->setGeometry(fromTwips({120, 5370, 7800, 405}));
    progressBar1_->setRange(0, 100);
    progressBar1_->setTextVisible(true);
    progressBar1_->setAlignment(Qt::AlignCenter);
    showProgress();

    listView2_ = addList("ListView2", state_.resultList(), resultListTip, {8040, 120, 7800, 4140});
    new ResultListActions(listView2_, state_, services_);
    new CheckAnnouncer(listView2_);
    QPushButton* pushButton2 = addButton("PushButton2", u"Save Results As Text File"_s, {8040, 4340, 3840, 405},
        [this] { PushButton2_Click(state_, services_); });
    QPushButton* pushButton14 = addButton("PushButton14", u"Save Results As Excel File"_s, {12000, 4340, 3840, 405},
        [this] { PushButton14_Click(state_, services_); });
    QPushButton* pushButton6 = addButton(
        "PushButton6", u"Clear Results"_s, {8040, 4850, 3840, 405}, [this] { PushButton6_Click(state_, services_); });
    QPushButton* pushButton5 = addButton("PushButton5", u"Copy Results To Clipboard"_s, {12000, 4850, 3840, 405},
        [this] { PushButton5_Click(state_, services_); });
    QPushButton* pushButton17 = addButton("PushButton17", u"Remove Results Containing X"_s, {8040, 5370, 3840, 405},
        [this] { PushButton17_Click(state_, services_); });
    QPushButton* pushButton4 = addButton("PushButton4", u"Remove Results Not Containing X"_s,
        {12000, 5370, 3840, 405}, [this] { PushButton4_Click(state_, services_); });

    auto* pointerRules = new PointerRuleWatch(state_, *surface_);
    for (ReportView* list : {listView1_, listView2_, listView3_})
        pointerRules->watch(list, HoverPlace::BackgroundOrList);
    for (QPushButton* button : findChildren<QPushButton*>())
        pointerRules->watch(button, button == pushButton1_ ? HoverPlace::StartButton : HoverPlace::OtherButton);

    setTabOrder({listView1_, listView3_, pushButton3, pushButton1_, pushButton8, pushButton9, pushButton11,
        progressBar1_, listView2_, pushButton2, pushButton6, pushButton17, pushButton4, pushButton5, pushButton14,
        pushButton7, pushButton10});
}

QPushButton* Form1::addButton(const char* name, const QString& caption, QRect twips, std::function<void()> onClick)
{
    // Screen readers name a button after its caption, whatever it shows now.
    auto* button = new CommandButton(caption, surface_);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(fromTwips(twips));
    button->setFont(designedFont(11.25));
    button->setAutoDefault(false);
    if (onClick)
        connect(button, &QPushButton::clicked, this, std::move(onClick));
    return button;
}

ReportView* Form1::addList(const char* name, EntryListModel& model, const QString& toolTip, QRect twips)
{
    auto* list = new ReportView(surface_);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(fromTwips(twips));
    list->setModel(&model);
    list->setToolTip(toolTip);
    list->setAccessibleDescription(toolTip);
    connect(&model, &QAbstractItemModel::columnsInserted, list, [list, &model] {
        list->setAccessibleName(model.headerData(0, Qt::Horizontal).toString());
    });
    return list;
}

void Form1::setTabOrder(const std::vector<QWidget*>& byTabIndex)
{
    for (std::size_t i = 1; i < byTabIndex.size(); ++i)
        QWidget::setTabOrder(byTabIndex[i - 1], byTabIndex[i]);
}

void Form1::Form_Load()
{
    ErrorReport report(services_.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.Form_Load "_s);
    const QString cursorPath = services_.programFolder + u"/HAND-M.CUR"_s;

    p.step(100, [&] { ApplySkin(*this, services_.fileSystem, services_.programFolder); });
    p.step(102, [&] { setWindowTitle(productTitle); });
    p.step(102, [&] { setWindowIcon(QIcon(u":/ferrowax-256.png"_s)); });
    p.step(102, [&] { SetAppTitle(services_.dialogs); });
    if (p.test(104, [&] { return IsFilePresent(services_.fileSystem, QFile::encodeName(cursorPath)); }))
        p.step(106, [&] {
            try {
                handCursor_ = cursorFromFile(services_.fileSystem.readFile(QFile::encodeName(cursorPath)));
            } catch (const NotARegularFile&) {
                // A pipe or a device in its place: no cursor file.
            }
        });
    p.step(108, [&] { OpenHomePageAtRandom(services_.random, services_.desktop); });
    p.step(128, [&] { state_.folderList().addColumn(u"Folder(s)"_s); });
    p.step(130, [&] { listView1_->setColumnWidth(0, pixels(6700)); });
    p.step(132, [&] { state_.resultList().addColumn(u"Results"_s); });
    p.step(134, [&] { listView2_->setColumnWidth(0, pixels(7300)); });
    p.step(136, [&] { state_.extensionList().addColumn(u"Extension"_s); });
    p.step(138, [&] { listView3_->setColumnWidth(0, pixels(6700)); });
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    // Gone from the screen at once, even if the process must wait for a
    // reader stuck in the kernel before it ends.
    hide();
    Form_Unload();
}

void Form1::Form_Unload()
{
    services_.processEnd.endNow();
}

void Form1::showMousePointer(int pointer)
{
    switch (pointer) {
    case Pointer::Hourglass:
        setCursor(Qt::WaitCursor);
        break;
    case Pointer::Hand:
        setCursor(handCursor_.value_or(QCursor(Qt::PointingHandCursor)));
        break;
    default:
        unsetCursor();
        break;
    }
}

void Form1::showProgress()
{
    const QString& text = state_.progressText();
    progressBar1_->setValue(qBound(0, qRound(state_.progressValue()), 100));
    progressBar1_->setLiteralText(text);
    // The bar may show the text cut in the middle; its whole is at hand.
    progressBar1_->setToolTip(text);
    progressBar1_->setAccessibleName(text);
    progressBar1_->setAccessibleDescription(text);
}

} // namespace ferrowax
