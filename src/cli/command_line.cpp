#include "command_line.h"

#include <getopt.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

// The codes of the options that have no short form.
enum LongOnly : int { ListOption = 256, FolderOption, OneFileSystemOption };

constexpr option longOptions[] = {
    {"list", no_argument, nullptr, ListOption},
    {"folder", required_argument, nullptr, FolderOption},
    {"ext", required_argument, nullptr, 'e'},
    {"exclude", required_argument, nullptr, 'E'},
    {"ignore-case", no_argument, nullptr, 'i'},
    {"null", no_argument, nullptr, '0'},
    {"one-file-system", no_argument, nullptr, OneFileSystemOption},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// Folders come back in order as code 1; a missing value as ':'.
constexpr char shortOptions[] = "-:e:E:i0hvV";

QString longNameOf(int code)
{
    for (const option& known : longOptions) {
        if (known.name != nullptr && known.val == code)
            return u"--"_s + QLatin1StringView(known.name);
    }
    return {};
}

// What getopt_long refused, from the code it answered and its optopt;
// `last` is the last argument it read.
QString refusal(int code, int refused, const char* last)
{
    if (code == ':') {
        // A value can only be missing at the end, so `last` holds the option.
        const bool isLong = std::strncmp(last, "--", 2) == 0;
        return u"The option %1 needs a value."_s.arg(
            isLong ? longNameOf(refused) : u"-"_s + QChar::fromLatin1(static_cast<char>(refused)));
    }
    // An option known by its long name was given a value it takes none of.
    if (!longNameOf(refused).isEmpty())
        return u"The option %1 takes no value."_s.arg(longNameOf(refused));
    if (refused != 0)
        return u"Unknown option '-%1'."_s.arg(QChar::fromLatin1(static_cast<char>(refused)));
    // A long one, which is the argument just read.
    const QString given = QString::fromUtf8(last).section(u'=', 0, 0);
    // A prefix of one long option stands for it; of several, for none.
    for (const option& known : longOptions) {
        if (known.name != nullptr && QLatin1StringView(known.name).startsWith(QStringView(given).mid(2)))
            return u"The option '%1' could be more than one; write it out."_s.arg(given);
    }
    return u"Unknown option '%1'."_s.arg(given);
}

// An extension as typed after a dot, as find and fd users write it.
QByteArray withoutLeadingDots(const QByteArray& extension)
{
    qsizetype dots = 0;
    while (dots < extension.size() && extension[dots] == '.')
        ++dots;
    return extension.sliced(dots);
}

} // namespace

QString usageText()
{
    return u"Usage: ferrowax --list [OPTION...] FOLDER...\n"
           u"       ferrowax [-h | -V]\n"
           u"\n"
           u"Finds every file of chosen types under chosen folders. Without arguments it\n"
           u"opens its window. With --list it walks each FOLDER in order, as \"Start\n"
           u"Searching\" does, and prints the path of every match, one per line, without\n"
           u"a window. Hidden folders are walked and hidden files listed, as find does.\n"
           u"\n"
           u"Options of --list, before or after the folders (-- ends them):\n"
           u"  -e, --ext EXT       an extension to look for (repeat for more); letter case\n"
           u"                      counts, a leading dot is dropped: -e .jpg is -e jpg\n"
           u"  -i, --ignore-case   an extension matches whatever its letter case: txt finds\n"
           u"                      a.txt, B.TXT and c.Txt\n"
           u"  -E, --exclude PATTERN\n"
           u"                      never enter a folder below a FOLDER that matches: a\n"
           u"                      PATTERN holding a / is a folder's path (absolute, or\n"
           u"                      from the current folder; links are not resolved), any\n"
           u"                      other is a shell pattern for a folder's name:\n"
           u"                      node_modules, .git, '.*', '*cache*' (repeat for more)\n"
           u"      --one-file-system\n"
           u"                      never enter a folder on another file system than the\n"
           u"                      FOLDER it was reached from, as find -xdev does\n"
           u"  -0, --null          end each path with a NUL byte instead of a new line\n"
           u"      --folder DIR    a FOLDER to walk, as an argument is\n"
           u"  -h, --help          show this text\n"
           u"  -V, -v, --version   show the version\n"
           u"\n"
           u"Short options without a value combine: -i0 is -i -0.\n"
           u"\n"
           u"With --list, what the window would report in a box goes to standard error,\n"
           u"one line each, naming the file or folder it concerns first. The exit status\n"
           u"is 0 when nothing was reported, 1 otherwise, and 2 for a mistake on the\n"
           u"command line.\n"
           u"\n"
           u"Examples:\n"
           u"  ferrowax --list -e jpg -e JPG ~/Pictures\n"
           u"  ferrowax --list -i0 -e pdf ~/Documents | xargs -0 ls -l\n"
           u"  ferrowax --list -i -e txt -E .git -E node_modules --one-file-system ~\n"_s;
}

Invocation readCommandLine(int argc, char* argv[])
{
    Invocation invocation;
    const auto mistake = [&](const QString& what) {
        invocation.mode = Invocation::Mode::Mistake;
        invocation.mistake = what;
        return invocation;
    };
    bool list = false;
    bool help = false;
    bool version = false;
    QString needsList; // what was given that only --list takes
    const auto forList = [&](const QString& what) {
        if (needsList.isEmpty())
            needsList = what;
    };

    ::opterr = 0;
    ::optind = 0; // from the start, whatever was read before
    for (int code; (code = ::getopt_long(argc, argv, shortOptions, longOptions, nullptr)) != -1;) {
        switch (code) {
        case 1:
            forList(u"A folder ('%1')"_s.arg(QString::fromUtf8(::optarg)));
            invocation.folders.append(::optarg);
            break;
        case FolderOption:
            invocation.folders.append(::optarg);
            break;
        case 'e':
            invocation.extensions.append(::optarg);
            break;
        case 'E':
            invocation.excluded.append(::optarg);
            break;
        case 'i':
            invocation.ignoreCase = true;
            break;
        case '0':
            invocation.nulSeparated = true;
            break;
        case OneFileSystemOption:
            invocation.oneFileSystem = true;
            break;
        case ListOption:
            list = true;
            break;
        case 'h':
            help = true;
            break;
        case 'v':
        case 'V':
            version = true;
            break;
        default:
            return mistake(refusal(code, ::optopt, argv[::optind - 1]));
        }
        if (code != 1 && code != ListOption && code != 'h' && code != 'v' && code != 'V')
            forList(longNameOf(code));
    }
    // What follows -- is a folder, whatever its name.
    for (int i = ::optind; i < argc; ++i) {
        forList(u"A folder ('%1')"_s.arg(QString::fromUtf8(argv[i])));
        invocation.folders.append(argv[i]);
    }

    if (help || version) {
        invocation.mode = help ? Invocation::Mode::Help : Invocation::Mode::Version;
        return invocation;
    }
    if (!list) {
        if (!needsList.isEmpty())
            return mistake(needsList + u" goes with --list."_s);
        return invocation;
    }
    // The window takes no empty extension or folder either.
    if (invocation.folders.contains(QByteArray()))
        return mistake(u"A folder cannot be empty."_s);
    if (invocation.extensions.contains(QByteArray()))
        return mistake(u"An extension cannot be empty."_s);
    if (invocation.excluded.contains(QByteArray()))
        return mistake(u"A pattern to exclude cannot be empty."_s);
    for (QByteArray& extension : invocation.extensions) {
        const QByteArray typed = extension;
        extension = withoutLeadingDots(typed);
        if (extension.isEmpty())
            return mistake(u"An extension cannot be only dots: '%1'."_s.arg(QString::fromUtf8(typed)));
    }
    if (invocation.folders.isEmpty())
        return mistake(u"--list needs a folder to walk."_s);
    if (invocation.extensions.isEmpty())
        return mistake(u"--list needs an extension to look for (-e EXT)."_s);
    invocation.mode = Invocation::Mode::List;
    return invocation;
}

} // namespace ferrowax
