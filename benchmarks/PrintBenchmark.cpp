// SPDX-License-Identifier: GPL-3.0-or-later
// The print wizard over a long attendance-like list (502,000 rows unless told
// otherwise): the time to measure and lay out the list, to write it as PDF, to
// preview it whole, and resident memory before, during and after the preview
// and after a preview cancelled at 8 %.
#include "benchmarks/ResidentMemory.h"
#include "console/PrintWizard.h"
#include "host/data/ClientDataSet.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// Opens the preview as the console does, notes its pages and memory once it
// shows, and closes it.
void PreviewOnce(TPrintWizard& wizard, const char* what) {
    int pages = -1;
    double shown = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->findChild<QPrintPreviewWidget*>()->pageCount() == 0) return; // still painting
        pages = dialog->findChild<QPrintPreviewWidget*>()->pageCount();
        shown = RssMb();
        dialog->reject();
    });
    poll.start(50);
    QElapsedTimer timer;
    timer.start();
    TDialogScript::Reset();
    TDialogScript::SetNextAnswer(TModalResult::Yes); // the page count question
    wizard.Exec(nullptr);
    std::printf("%-34s %8.1f s  pages shown %5d  %6.0f MB while shown  %6.0f MB after\n", what,
                timer.nsecsElapsed() / 1e9, pages, shown, RssMb());
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

    PreviewOnce(wizard, "previewed whole");
    wizard.OnProgress = [rows](int done, int) { return done < rows / 100 * 8; };
    PreviewOnce(wizard, "preview cancelled at 8 %");
    return 0;
}
