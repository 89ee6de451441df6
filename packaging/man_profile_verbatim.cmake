# Keeps the profile example of a help2man page as the program prints it: help2man fills the indented lines
# of --help into one paragraph, which would run the INI lines together. The example is the paragraph that
# starts with "[settings]"; it is put between .nf and .fi. Called as: cmake -DPAGE=<page> -P <this file>
file(READ ${PAGE} page)
string(FIND "${page}" ".IP\n[settings]\n" start)
if(start LESS 0)
    message(FATAL_ERROR "${PAGE}: no profile example found")
endif()
math(EXPR body "${start} + 4")
string(SUBSTRING "${page}" 0 ${body} head)
string(SUBSTRING "${page}" ${body} -1 rest)
string(FIND "${rest}" "\n." end)
math(EXPR end "${end} + 1")
string(SUBSTRING "${rest}" 0 ${end} example)
string(SUBSTRING "${rest}" ${end} -1 tail)
file(WRITE ${PAGE} "${head}.nf\n${example}.fi\n${tail}")
