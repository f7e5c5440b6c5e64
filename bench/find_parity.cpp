// Runs the real search over a folder and checks that it lists exactly the
// files find(1) lists there (regular files and links to them), apart from
// the folders the walk reported as too long.
//
//   find_parity ROOT EXTENSION...
#include "bench_support.h"
#include "window/form1.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>

#include <cstdio>
#include <set>

using namespace ferrowax;
using namespace ferrowax::bench;

namespace {

std::set<QByteArray> findList(const QByteArray& root, const QList<QByteArray>& extensions)
{
    QByteArray command = "find '" + root + "' -xtype f \\(";
    for (qsizetype i = 0; i < extensions.size(); ++i)
        command += (i == 0 ? " -name '*." : " -o -name '*.") + extensions[i] + "'";
    command += " \\) -print0";
    std::set<QByteArray> paths;
    FILE* pipe = ::popen(command.constData(), "r");
    QByteArray current;
    for (int c = 0; pipe != nullptr && (c = std::fgetc(pipe)) != EOF;) {
        if (c == 0) {
            paths.insert(current);
            current.clear();
        } else {
            current.append(static_cast<char>(c));
        }
    }
    if (pipe != nullptr)
        ::pclose(pipe);
    return paths;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: find_parity ROOT EXTENSION...\n");
        return 2;
    }
    const QByteArray root = argv[1];
    QList<QByteArray> extensions;
    for (int i = 2; i < argc; ++i)
        extensions.append(argv[i]);

    BenchServices bench;
    AnsweringDialogs& dialogs = bench.dialogs;
    Form1 window(bench.services);
    window.Form_Load();
    window.state().folderList().append(root);
    for (const QByteArray& extension : extensions)
        window.state().extensionList().append(extension);
    window.findChild<QPushButton*>(QStringLiteral("PushButton1"))->click();

    // Folders whose names were too long are named in their message.
    QList<QByteArray> tooLong;
    const QString prefix = QStringLiteral("The length of filenames in folder ");
    for (const QString& message : dialogs.messages) {
        if (message.startsWith(prefix))
            tooLong.append(message.mid(prefix.size()).section(QStringLiteral(" is too long. "), 0, 0).toUtf8());
    }
    const auto inTooLongFolder = [&](const QByteArray& path) {
        const QByteArray folder = path.left(path.lastIndexOf('/') + 1);
        return tooLong.contains(folder);
    };

    EntryListModel& results = window.state().resultList();
    std::set<QByteArray> listed;
    int duplicates = 0;
    for (int i = 1; i <= results.count(); ++i)
        duplicates += listed.insert(results.entry(i)).second ? 0 : 1;
    std::set<QByteArray> expected;
    for (const QByteArray& path : findList(root, extensions)) {
        if (!inTooLongFolder(path))
            expected.insert(path);
    }

    int missing = 0;
    int extra = 0;
    for (const QByteArray& path : expected) {
        if (listed.count(path) == 0 && ++missing <= 10)
            std::printf("missing: %s\n", path.constData());
    }
    for (const QByteArray& path : listed) {
        if (expected.count(path) == 0 && ++extra <= 10)
            std::printf("extra:   %s\n", path.constData());
    }
    std::printf("find lists %zu, Ferrowax lists %d (%d duplicates); %d missing, %d extra; %lld folders too long\n",
        expected.size(), results.count(), duplicates, missing, extra, static_cast<long long>(tooLong.size()));
    return missing == 0 && extra == 0 && duplicates == 0 ? 0 : 1;
}
