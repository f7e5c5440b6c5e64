# Fails when code that runs on the window's thread (the window, the command
# line and the commands) calls a file or process service of the system or
# of Qt itself. Such a call waits for as long as a disk or another program
# takes, and a share that stopped answering takes for ever; commands make
# them through the I/O service (os/io_service.h) instead, which runs each on
# a thread of its own while the window handles its events.
# Run by the build: cmake -DSOURCE_DIR=src -P
set(checked_folders window cli inputs results search shell command_kit)

# What is refused, one kind per entry: a regular expression, then why.
set(refused
    "[^A-Za-z0-9_]::(open|openat|creat|stat|lstat|fstatat|statx|access|faccessat|fsync|fdatasync|rename|renameat|unlink|unlinkat|mkdir|rmdir|opendir|readdir|read|pread|write|pwrite|truncate|ftruncate|fallocate|utimensat|readlink|realpath|waitpid|popen|system)[ \t]*\\("
    "a system call on a file, a folder or a process"
    "[^A-Za-z0-9_:](fopen|std::ifstream|std::ofstream|std::fstream|std::filesystem::)"
    "C and C++ file streams and std::filesystem"
    "[^A-Za-z0-9_]Q(File|FileInfo|Dir|DirIterator|SaveFile|TemporaryFile|TemporaryDir|LockFile|StorageInfo|Settings)[^A-Za-z0-9_]"
    "Qt's files, file facts, folder listings and settings files"
    "waitFor(Finished|Started|ReadyRead|BytesWritten)|QProcess::execute|startDetached|QStandardPaths::(findExecutable|locate)"
    "a wait on another program, or a search of the disk for one"
    "QDBus::Block|QDBusInterface|QDBusReply"
    "a D-Bus call that blocks until the other side answers"
    "readRegularFile|[.>]readFile[ \t]*\\(|[.>]isNormalFile[ \t]*\\("
    "a file read whole on the calling thread"
)
# Pure functions of names, which touch no disk.
set(allowed "QFile::(encodeName|decodeName)|QDir::cleanPath")

# The one exception: at start-up, before the window is shown, it reads the
# program's own files beside it on its own thread: the skin and the files it
# names, with the folder's list of hidden names, and the hand cursor.
set(exceptions
    "window/skin.cpp"
    "window/form1.cpp"
)

# The lines worth a closer look.
set(candidates "::|fopen|std::|Q[A-Z]|waitFor|startDetached|readRegularFile|readFile|isNormalFile")
list(LENGTH refused count)
math(EXPR last "${count} - 1")

set(violations "")
foreach(folder IN LISTS checked_folders)
    file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        list(FIND exceptions ${source} excepted)
        file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "${candidates}")
        foreach(line IN LISTS lines)
            if(line MATCHES "^[ \t]*#")
                continue() # an include names no call
            endif()
            # Blanks around it, as the expressions cannot anchor inside a group.
            string(REGEX REPLACE "//.*" "" code " ${line} ")
            string(REGEX REPLACE "${allowed}" "" code "${code} ")
            foreach(i RANGE 0 ${last} 2)
                list(GET refused ${i} pattern)
                math(EXPR why_index "${i} + 1")
                list(GET refused ${why_index} why)
                if(code MATCHES "${pattern}" AND NOT (why MATCHES "read whole" AND excepted GREATER -1))
                    string(STRIP "${line}" shown)
                    string(APPEND violations "\n  ${source}: ${shown}\n    (${why})")
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()
if(violations)
    message(FATAL_ERROR "A blocking call on the window's thread; make it through the I/O service:${violations}")
endif()
