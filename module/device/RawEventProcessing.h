// Turns raw device records above the global mark into events, resolving the
// records that name an access ticket to the ticket's employee or guest.
// Widget-free: the import dialog's "Obrada" and `horlo process` both run it.
#pragma once

#include "host/data/Database.h"

#include <functional>

struct TProcessResult {
    int candidates = 0;         // raw rows above the mark of the processed kinds
    int written = 0;            // events inserted
    int skipped = 0;            // ticket records whose ticket does not exist
    int processedElsewhere = 0; // candidates that another program processed while this run waited
};

// What a run did, as `horlo process` prints it and "Obrada" shows it: "Upisano
// događaja: 5 (1 zapis bez pristupne dozvole preskočen)" and what another program
// processed meanwhile.
QString ProcessSummary(const TProcessResult& result);

class TRawEventProcessor {
public:
    explicit TRawEventProcessor(TZConnection& connection) : m_connection(connection) {}

    // Processes every candidate in one transaction, in raw-row order: an error
    // leaves nothing written and the mark where it was. Runs on other desks,
    // jobs or cluster nodes wait for each other (or conflict and run again), so
    // each raw record becomes at most one event.
    TProcessResult Run();

    // Called with the number of rows handled so far and the number of candidates.
    std::function<void(int position, int maximum)> OnProgress;
    // Rows per INSERT statement; 1 sends one statement per event.
    int BatchSize = 500;
    // Raw rows read at a time.
    int PageSize = 5000;

private:
    TProcessResult ProcessAbove(qint64 markSeen);
    TZConnection& m_connection;
};
