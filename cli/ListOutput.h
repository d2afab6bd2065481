// How a list command writes its list, the same for every list: aligned text for
// people (the default), CSV for programs on the output (--csv), or an Excel
// workbook for people (--xlsx FILE), all through the list writer of host/data.
#pragma once

#include "cli/CliCommand.h"
#include "host/data/ListWriter.h"

struct TListOutput {
    TListFormat format = TListFormat::Text;
    QString file; // of the workbook

    // Who reads it: people get titles and shown texts, programs field names and values.
    bool ForPeople() const { return ::ForPeople(format); }
    // Takes --csv, --xlsx FILE and --xlsx=FILE out of arguments; false, with the
    // reason on err, when one lacks its file or both are given.
    bool Take(QStringList& arguments, QTextStream& err);
    // Writes the list (its rows streamed from rows): text or CSV to the output, or
    // the workbook, saying where it went. The exit status: failed when the
    // workbook could not be written.
    int Write(TCliIO& io, const TList& list, const TListRows& rows) const;
};
