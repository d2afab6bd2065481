# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the commands and the options of a man page that help2man wrote from
# `--help` lists: an entry whose description starts on a line of its own is left by
# help2man as paragraphs (.IP or .HP with the usage lines, .IP with the
# description); it becomes one item (.TP, and .TQ for each further usage line), like
# the entries whose description follows on their line. A command's words are bold.
# Only the sections "Komande:" and "Opcije:" are touched.

# The words before the arguments ("point reset\-mark", as help2man writes a hyphen).
function bold(usage) {
    if (!match(usage, /^[a-z]([a-z]|\\-)*( [a-z]([a-z]|\\-)*)*/)) return usage
    return "\\fB" substr(usage, 1, RLENGTH) "\\fR" substr(usage, RLENGTH + 1)
}

function list(   i, j, k) {
    i = 1
    while (i <= n) {
        # the usage lines of an entry: up to the paragraph that describes it
        j = i + 1
        while (j <= n && lines[j] !~ /^\./) j++
        if ((lines[i] == ".IP" || lines[i] == ".HP") && j > i + 1 && j <= n && lines[j] == ".IP") {
            for (k = i + 1; k < j; k++) {
                print (k == i + 1 ? ".TP" : ".TQ")
                print bold(lines[k])
            }
            i = j + 1
        } else if (lines[i] == ".TP" && i + 1 <= n) {
            print ".TP"
            print bold(lines[i + 1])
            i += 2
        } else {
            print lines[i++]
        }
    }
    n = 0
}

/^\.S[SH] / {
    if (listed) list()
    listed = ($0 == ".SS \"Komande:\"" || $0 == ".SS \"Opcije:\"")
    print
    next
}
listed { lines[++n] = $0; next }
{ print }
END { if (listed) list() }
