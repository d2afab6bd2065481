// Texts of the host console's own windows (Serbian, Latin script).
#pragma once

#include <QString>

inline const QString _CON_APP_CAP = QStringLiteral("Horlo konzola");
inline const QString _CON_MODULE_MISSING_ERR = QStringLiteral("Modul \"%s\" ne postoji.");
inline const QString _CON_MODULE_LOAD_ERR = QStringLiteral("Modul \"%s\" ne može da se učita: %s");
inline const QString _CON_MODULE_ENTRY_ERR =
    QStringLiteral("Biblioteka \"%s\" nije modul konzole: nema ulaznu tačku %s.");
inline const QString _CON_MODULE_FACTORY_ERR = QStringLiteral("Modul \"%s\" nije dao fabriku snap-ina.");
inline const QString _CON_NO_VIEWER_ERR = QStringLiteral("Modul \"%s\" nema prikaz.");
inline const QString _CON_LOGIN_CAP = QStringLiteral("Prijava");
inline const QString _CON_PASSWORD_FMT = QStringLiteral("Lozinka za %s:");
inline const QString _CON_LOGIN_CANCELLED_ERR = QStringLiteral("Prijava je otkazana; nema veze sa bazom.");
inline const QString _CON_CONNECTED_FMT = QStringLiteral("Baza: %s");
inline const QString _CON_NOT_CONNECTED_FMT = QStringLiteral("Baza: %s (nije povezana)");
inline const QString _CON_FILE_MENU = QStringLiteral("&Datoteka");
inline const QString _CON_PRINT_CAP = QStringLiteral("Š&tampa...");
inline const QString _CON_RECONNECT_CAP = QStringLiteral("&Poveži se sa bazom");
inline const QString _CON_EXIT_CAP = QStringLiteral("&Izlaz");
inline const QString _CON_EMPLOYEES_MENU = QStringLiteral("&Zaposleni");
inline const QString _CON_BROWSE_EMPLOYEES_CAP = QStringLiteral("&Pregled zaposlenih...");
inline const QString _CON_HELP_MENU = QStringLiteral("&Pomoć");
inline const QString _CON_ABOUT_CAP = QStringLiteral("&O programu");
inline const QString _CON_ABOUT_FMT =
    QStringLiteral("Horlo konzola\n\nKonzola za module poslovnog sistema.\nUčitan modul: %s");
inline const QString _CON_RECORDS_FMT = QStringLiteral("Zapisa: %d");
inline const QString _CON_NOTHING_TO_PRINT_WRN = QStringLiteral("Nema spiska za štampu.");
inline const QString _CON_PRINTED_FMT = QStringLiteral("Štampano %s");
inline const QString _CON_PAGE_FMT = QStringLiteral("Strana %d od %d");
inline const QString _CON_SAVE_PDF_CAP = QStringLiteral("Sačuvaj kao PDF...");
inline const QString _CON_PDF_FILTER = QStringLiteral("PDF dokument (*.pdf)");
inline const QString _CON_SAVE_CSV_CAP = QStringLiteral("Sačuvaj kao CSV…");
inline const QString _CON_CSV_FILTER = QStringLiteral("CSV datoteka (*.csv)");
inline const QString _CON_PDF_WRITE_ERR = QStringLiteral("Datoteka \"%s\" ne može da se upiše.");
inline const QString _CON_CHOOSE_EMPLOYEE_CAP = QStringLiteral("Izbor zaposlenog");
inline const QString _CON_SEARCH_CAP = QStringLiteral("&Traži:");
inline const QString _CON_CHOOSE_CAP = QStringLiteral("Izaberi");
inline const QString _CON_EMPLOYEE_CAP = QStringLiteral("Zaposleni");
inline const QString _CON_EMPLOYEE_MISSING_ERR = QStringLiteral("Zaposleni sa šifrom %s ne postoji.");
