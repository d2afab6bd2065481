// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/HorloCli.h"
#include "host/data/Database.h"
#include "host/data/ListWriter.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace {

// What reaches stderr through it has its control characters escaped, line breaks
// apart (an argument or a name holding ESC[2J never clears the terminal), and no
// password of a URL that a message repeats.
class TPrintableDevice : public QIODevice {
public:
    explicit TPrintableDevice(QIODevice& target) : m_target(target) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        QStringList lines = QString::fromUtf8(data, size).split(QLatin1Char('\n'));
        for (QString& line : lines)
            line = PrintableText(TConnectionParams::WithoutPasswords(line));
        const QByteArray text = lines.join(QLatin1Char('\n')).toUtf8();
        return m_target.write(text) == text.size() ? size : -1;
    }

private:
    QIODevice& m_target;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("horlo"));
    QTextStream out(stdout);
    QFile stderrFile;
    stderrFile.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    TPrintableDevice printable(stderrFile);
    QTextStream err(&printable);
    QTextStream terminal(&stderrFile);
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    return RunHorloCli(arguments, out, err, isatty(STDERR_FILENO), &terminal);
}
