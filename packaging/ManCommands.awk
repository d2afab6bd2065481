# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the commands and the options of a man page that help2man wrote from
# `--help` lists, one item (.TP) each. help2man guesses at them from their
# indentation and leaves an entry whose description starts on a line of its own,
# or whose usage goes on on the next line, as loose paragraphs; here the sections
# "Komande:" and "Opcije:" are written again from the help text itself, where an
# entry starts two blanks in, its usage goes on in lines that start with "[", and
# its description follows after two blanks or on the lines below; the paragraphs
# after a list stay as help2man wrote them. A command's or option's own words are
# bold.
#
# Run as: awk -f ManCommands.awk HELP-TEXT MAN-PAGE > LISTED-MAN-PAGE

function escape(text) {
    gsub(/\\/, "\\\\", text)
    gsub(/-/, "\\-", text)
    return text ~ /^[.']/ ? "\\&" text : text
}

# The words before the arguments: "point reset-mark", "--db".
function tag(usage) {
    if (!match(usage, /^(--)?[a-z][a-z-]*( [a-z][a-z-]*)*/)) return escape(usage)
    return "\\fB" escape(substr(usage, 1, RLENGTH)) "\\fR" escape(substr(usage, RLENGTH + 1))
}

function trim(text) {
    sub(/^ +/, "", text)
    sub(/ +$/, "", text)
    return text
}

# the help text: the items of its sections
FNR == NR {
    if ($0 == "Komande:" || $0 == "Opcije:") {
        section = $0
    } else if ($0 == "") {
        section = ""
    } else if (section == "") {
        # outside the lists
    } else if ($0 ~ /^  [^ ]/) {
        text = substr($0, 3)
        usage = text
        description = ""
        described = match(text, /  +/)
        if (described) {
            usage = substr(text, 1, RSTART - 1)
            description = substr(text, RSTART + RLENGTH)
        }
        items[section] = items[section] ".TP\n" tag(usage) "\n"
        if (described) items[section] = items[section] escape(description) "\n"
    } else if (!described && $0 ~ /^ +\[/) {
        items[section] = items[section] ".TQ\n" escape(trim($0)) "\n"
    } else {
        items[section] = items[section] escape(trim($0)) "\n"
        described = 1
    }
    next
}

# the man page: those sections' lists replaced, up to the paragraphs after them
/^\.S[SH] / {
    print
    heading = $0
    sub(/^\.SS "/, "", heading)
    sub(/"$/, "", heading)
    replacing = (heading in items)
    if (replacing) printf "%s", items[heading]
    next
}
replacing && $0 == ".PP" { replacing = 0 }
!replacing { print }
