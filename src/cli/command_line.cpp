#include "command_line.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

// Names on Linux are bytes. Read each byte as one Latin-1 character, so the
// parser sees options as text and every value goes back to its bytes.
QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLatin1(argv[i]));
    return arguments;
}

QList<QByteArray> bytesOf(const QStringList& values)
{
    QList<QByteArray> bytes;
    for (const QString& value : values)
        bytes.append(value.toLatin1());
    return bytes;
}

} // namespace

QString usageText()
{
    return u"Usage: ferrowax [--list --folder DIR... --ext EXT... [OPTION...]]\n"
           u"\n"
           u"Finds every file of chosen types under chosen folders. Without options it\n"
           u"opens its window.\n"
           u"\n"
           u"Options:\n"
           u"  --list          walk the folders as \"Start Searching\" does and print the\n"
           u"                  path of every match, one per line, without a window\n"
           u"  --folder DIR    a folder to walk (repeat for more, walked in order)\n"
           u"  --ext EXT       an extension to look for, exactly as typed: jpg, not .jpg\n"
           u"                  (repeat for more; letter case counts)\n"
           u"  --exclude PATTERN\n"
           u"                  never enter a folder below a --folder that matches: a\n"
           u"                  PATTERN holding a / is a folder's path (absolute, or from\n"
           u"                  the current folder; links are not resolved), any other is\n"
           u"                  a shell pattern for a folder's name: node_modules, .git,\n"
           u"                  '.*', '*cache*' (repeat for more)\n"
           u"  --one-file-system\n"
           u"                  never enter a folder on another file system than the\n"
           u"                  --folder it was reached from, as find -xdev does\n"
           u"  --ignore-case   an extension matches whatever its letter case: txt finds\n"
           u"                  a.txt, B.TXT and c.Txt\n"
           u"  --null          end each path with a NUL byte instead of a new line\n"
           u"  -h, --help      show this text\n"
           u"  -v, --version   show the version\n"
           u"\n"
           u"With --list, what the window would report in a box goes to standard error,\n"
           u"one line each; the exit status is 0 when nothing was reported, 1 otherwise.\n"_s;
}

Invocation readCommandLine(int argc, char* argv[])
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{u"h"_s, u"help"_s});
    const QCommandLineOption version(QStringList{u"v"_s, u"version"_s});
    const QCommandLineOption list(u"list"_s);
    const QCommandLineOption folder(u"folder"_s, QString(), u"DIR"_s);
    const QCommandLineOption extension(u"ext"_s, QString(), u"EXT"_s);
    const QCommandLineOption nul(u"null"_s);
    const QCommandLineOption exclude(u"exclude"_s, QString(), u"PATTERN"_s);
    const QCommandLineOption oneFileSystem(u"one-file-system"_s);
    const QCommandLineOption ignoreCase(u"ignore-case"_s);
    const QList<QCommandLineOption> listOptions{folder, extension, nul, exclude, oneFileSystem, ignoreCase};
    parser.addOptions({help, version, list});
    parser.addOptions(listOptions);

    Invocation invocation;
    const auto mistake = [&](const QString& what) {
        invocation.mode = Invocation::Mode::Mistake;
        invocation.mistake = what;
        return invocation;
    };
    if (!parser.parse(argumentsOf(argc, argv)))
        return mistake(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return mistake(u"Unexpected argument '%1'."_s.arg(parser.positionalArguments().first()));
    if (parser.isSet(help) || parser.isSet(version)) {
        invocation.mode = parser.isSet(help) ? Invocation::Mode::Help : Invocation::Mode::Version;
        return invocation;
    }
    if (!parser.isSet(list)) {
        for (const QCommandLineOption& option : listOptions) {
            if (parser.isSet(option))
                return mistake(u"--%1 goes with --list."_s.arg(option.names().constFirst()));
        }
        return invocation;
    }
    invocation.mode = Invocation::Mode::List;
    invocation.folders = bytesOf(parser.values(folder));
    invocation.extensions = bytesOf(parser.values(extension));
    invocation.excluded = bytesOf(parser.values(exclude));
    // The window takes no empty extension or folder either.
    if (invocation.folders.contains(QByteArray()))
        return mistake(u"A folder cannot be empty."_s);
    if (invocation.extensions.contains(QByteArray()))
        return mistake(u"An extension cannot be empty."_s);
    if (invocation.excluded.contains(QByteArray()))
        return mistake(u"A pattern to exclude cannot be empty."_s);
    invocation.oneFileSystem = parser.isSet(oneFileSystem);
    invocation.ignoreCase = parser.isSet(ignoreCase);
    invocation.nulSeparated = parser.isSet(nul);
    return invocation;
}

} // namespace ferrowax
