// SPDX-License-Identifier: GPL-3.0-or-later
// The print wizard over a long attendance-like list (502,000 rows unless told
// otherwise): the time from "print" to the preview's first page and resident
// memory while it shows, beside their goals; the time to measure and lay out
// the list, to write it as PDF, and memory after a preparation cancelled at 8 %.
#include "benchmarks/ResidentMemory.h"
#include "console/PrintPreview.h"
#include "console/PrintWizard.h"
#include "host/data/ClientDataSet.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr double kOpenGoalS = 2, kMemoryGoalMb = 500;

// Opens the preview as the console does, notes when its first page shows and
// the memory then, pages to the middle and the end, and closes it.
void PreviewOnce(TPrintWizard& wizard, const char* what) {
    int pages = -1;
    double shown = -1, shownMb = -1, jumps = -1, afterJumpsMb = -1;
    QElapsedTimer timer;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = QApplication::activeModalWidget();
        auto* view = dialog ? dialog->findChild<TPagesView*>() : nullptr;
        if (!view) return;
        view->viewport()->repaint();
        if (view->PagesPainted() == 0) return;
        shown = timer.nsecsElapsed() / 1e9;
        shownMb = RssMb();
        pages = view->Pages();
        QElapsedTimer jump;
        jump.start();
        for (int page : {pages / 2, pages}) {
            view->ShowPage(page);
            view->viewport()->repaint();
        }
        jumps = jump.nsecsElapsed() / 1e6;
        afterJumpsMb = RssMb();
        static_cast<QDialog*>(dialog)->reject();
    });
    poll.start(20);
    timer.start();
    TDialogScript::Reset();
    TDialogScript::SetNextAnswer(TModalResult::Yes); // the page count question
    wizard.Exec(nullptr);
    if (shown < 0) {
        std::printf("%-34s nothing shown; %.0f MB after\n", what, RssMb());
        return;
    }
    std::printf(
        "%-34s first page shown after %.2f s (goal under %.0f s); %d pages; %.0f MB while shown "
        "(goal under %.0f MB); the middle and the last page in %.0f ms, then %.0f MB; %.0f MB after\n",
        what, shown, kOpenGoalS, pages, shownMb, kMemoryGoalMb, jumps, afterJumpsMb, RssMb());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 502000;

    TClientDataSet list;
    TDataSource source(&list);
    for (const char* field : {"date", "code", "name", "arrival", "departure", "hours"})
        list.AddField(QString::fromLatin1(field), TFieldType::String, 60);
    list.CreateDataSet();
    for (int i = 0; i < rows; ++i) {
        list.Append();
        list.FieldByName(QStringLiteral("date"))
            ->SetAsString(QStringLiteral("%1.03.2024").arg(i / 20000 % 28 + 1, 2, 10, QLatin1Char('0')));
        list.FieldByName(QStringLiteral("code"))->SetAsString(QString::number(100000 + i % 20000));
        list.FieldByName(QStringLiteral("name"))
            ->SetAsString(QStringLiteral("Jovanović-Petrović Jovan %1").arg(i % 20000));
        list.FieldByName(QStringLiteral("arrival"))->SetAsString(QStringLiteral("07:58"));
        list.FieldByName(QStringLiteral("departure"))->SetAsString(QStringLiteral("16:03"));
        list.FieldByName(QStringLiteral("hours"))->SetAsString(QStringLiteral("8:05"));
        list.Post();
    }
    TDBGrid grid;
    grid.SetDataSource(&source);
    for (const char* field : {"date", "code", "name", "arrival", "departure", "hours"})
        grid.AddColumn(QString::fromLatin1(field), 50);
    std::printf("%d rows; resident memory %.0f MB\n", rows, RssMb());

    {
        // measured, laid out and shown from nothing
        TPrintWizard fresh(&grid, QStringLiteral("title:Prisustvo;header:mart 2024"));
        PreviewOnce(fresh, "a new wizard previewed");
    }
    TPrintWizard wizard(&grid, QStringLiteral("title:Prisustvo;header:mart 2024"));
    QElapsedTimer timer;
    timer.start();
    QPrinter printer(QPrinter::HighResolution);
    if (!wizard.SetUpPrinter(printer)) return 1;
    const TPrintLayout& layout = wizard.Layout(printer);
    std::printf("%-34s %8.1f s  pages %d, font %.1f pt%s  %6.0f MB\n", "measured and laid out",
                timer.nsecsElapsed() / 1e9, layout.Pages(), layout.fontSize, layout.wraps ? ", wrapped" : "",
                RssMb());

    QTemporaryDir dir;
    timer.restart();
    if (!wizard.SaveAsPdf(dir.filePath(QStringLiteral("lista.pdf")))) return 1;
    std::printf("%-34s %8.1f s  %6.0f MB\n", "saved as PDF", timer.nsecsElapsed() / 1e9, RssMb());

    PreviewOnce(wizard, "previewed again");
    TPrintWizard cancelled(&grid, QStringLiteral("title:Prisustvo;header:mart 2024"));
    cancelled.OnProgress = [rows](int done, int) { return done < rows / 100 * 8; };
    PreviewOnce(cancelled, "preparing cancelled at 8 %");
    return 0;
}
