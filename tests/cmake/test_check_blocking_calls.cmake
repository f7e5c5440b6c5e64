# Runs the check on a planted tree: it must refuse each blocking call there,
# saying what kind of call it is, and nothing else.
#   cmake -DCHECK=cmake/CheckBlockingCalls.cmake -DPLANTED=tests/cmake/planted -P
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PLANTED} -P ${CHECK}
    RESULT_VARIABLE failed ERROR_VARIABLE said OUTPUT_QUIET)
if(NOT failed)
    message(FATAL_ERROR "The check let every planted call through")
endif()
set(calls "::stat(path" "QDir(folder).entryList()" "program.waitForFinished()" "QDBus::Block" "readFile(\"/etc")
set(kinds "(a system call on a file, a folder or a process)"
    "(Qt's files, file facts, folder listings and settings files)"
    "(a wait on another program, or a search of the disk for one)"
    "(a D-Bus call that blocks until the other side answers)" "(a file read whole on the calling thread)")
foreach(shown IN LISTS calls kinds)
    string(FIND "${said}" "${shown}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "The check did not refuse ${shown}:\n${said}")
    endif()
endforeach()
string(REGEX MATCHALL "blocking_calls.cpp:" refused "${said}")
list(LENGTH refused count)
if(NOT count EQUAL 5 OR said MATCHES "skin.cpp|named\\(")
    message(FATAL_ERROR "The check refused more than the planted calls:\n${said}")
endif()
