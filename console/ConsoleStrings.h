// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of the host console's own windows (Serbian, Latin script).
// UTF-8 constants, so that they are there before any code runs, whatever
// order a library starts its files in; they convert to QString where used.
#pragma once

inline constexpr char _CON_APP_CAP[] = "Horlo konzola";
inline constexpr char _CON_MODULE_MISSING_ERR[] = "Modul \"%s\" ne postoji.";
inline constexpr char _CON_MODULE_LOAD_ERR[] = "Modul \"%s\" ne može da se učita: %s";
inline constexpr char _CON_MODULE_ENTRY_ERR[] = "Biblioteka \"%s\" nije modul konzole: nema ulaznu tačku %s.";
inline constexpr char _CON_MODULE_FACTORY_ERR[] = "Modul \"%s\" nije dao fabriku snap-ina.";
inline constexpr char _CON_NO_VIEWER_ERR[] = "Modul \"%s\" nema prikaz.";
inline constexpr char _CON_NO_DISPLAY_ERR[] =
    "Nema ekrana: promenljive DISPLAY i WAYLAND_DISPLAY nisu postavljene.";
inline constexpr char _CON_DISPLAY_ERR[] = "Ekran \"%s\" ne može da se otvori (%s).";
inline constexpr char _CON_DISPLAY_HINT[] =
    "Konzola je grafički program; bez ekrana radi pod Xvfb (xvfb-run -a horlo-console), a zakazani "
    "poslovi i skripte koriste horlo.";
inline constexpr char _CON_LOGIN_CAP[] = "Prijava";
inline constexpr char _CON_PASSWORD_FMT[] = "Lozinka za %s:";
inline constexpr char _CON_PASSWORD_AGAIN_FMT[] = "Lozinka nije prihvaćena. Lozinka za %s:";
inline constexpr char _CON_LOGIN_FAILED_FMT[] = "Prijava nije uspela ni posle %d pokušaja: %s";
inline constexpr char _CON_LOGIN_CANCELLED_ERR[] = "Prijava je otkazana; nema veze sa bazom.";
inline constexpr char _CON_CONNECTED_FMT[] = "Baza: %s";
inline constexpr char _CON_NOT_CONNECTED_FMT[] = "Baza: %s (nije povezana)";
inline constexpr char _CON_FILE_MENU[] = "&Datoteka";
inline constexpr char _CON_PRINT_CAP[] = "Š&tampa...";
inline constexpr char _CON_RECONNECT_CAP[] = "&Poveži se sa bazom";
inline constexpr char _CON_EXIT_CAP[] = "&Izlaz";
inline constexpr char _CON_EMPLOYEES_MENU[] = "&Zaposleni";
inline constexpr char _CON_BROWSE_EMPLOYEES_CAP[] = "&Pregled zaposlenih...";
inline constexpr char _CON_HELP_MENU[] = "&Pomoć";
inline constexpr char _CON_ABOUT_CAP[] = "&O programu";
inline constexpr char _CON_ABOUT_FMT[] =
    "Horlo konzola\n\nKonzola za module poslovnog sistema.\nUčitan modul: %s";
inline constexpr char _CON_ABOUT_DATA_FMT[] =
    "\nVerzija: %s\nBaza: %s\nPodaci privatnog servera (HORLO_HOME): %s";
inline constexpr char _CON_NO_NAVIGATOR_ERR[] = "modul nema navigator za uslove pretrage";
inline constexpr char _CON_SEARCH_KEY_ERR[] = "nepoznat ključ \"%s\" (ključevi: %s)";
inline constexpr char _CON_RECORDS_FMT[] = "Zapisa: %d";
inline constexpr char _CON_NOTHING_TO_PRINT_WRN[] = "Nema spiska za štampu.";
inline constexpr char _CON_PRINTED_FMT[] = "Štampano %s";
inline constexpr char _CON_PAGE_FMT[] = "Strana %d od %d";
inline constexpr char _CON_PRINT_PAGES_QST[] = "Lista ima %s. Štampati ih sve?";
inline constexpr char _CON_PREVIEW_PRINT_CAP[] = "Štampaj…";
inline constexpr char _CON_PREVIEW_ZOOM_IN_CAP[] = "Uvećaj";
inline constexpr char _CON_PREVIEW_ZOOM_OUT_CAP[] = "Umanji";
inline constexpr char _CON_PREVIEW_FIT_CAP[] = "Cela širina";
inline constexpr char _CON_PREVIEW_PAGE_PREFIX[] = "Strana ";
inline constexpr char _CON_PREVIEW_PAGE_SUFFIX[] = " od %d";
inline constexpr char _CON_SAVE_PDF_CAP[] = "Sačuvaj kao PDF…";
inline constexpr char _CON_PDF_FILTER[] = "PDF dokument (*.pdf)";
inline constexpr char _CON_SAVE_CSV_CAP[] = "Sačuvaj kao CSV…";
inline constexpr char _CON_CSV_FILTER[] = "CSV datoteka, polja odvojena tačkom-zarezom (*.csv)";
inline constexpr char _CON_SAVE_CSV_HINT[] =
    "Za tabelarni program podešen na srpski: UTF-8 sa oznakom (BOM), polja odvojena tačkom-zarezom, "
    "decimalni zarez i do šest decimala, da se zbirovi ne pomere.";
inline constexpr char _CON_SAVE_XLSX_CAP[] = "Sačuvaj kao Excel…";
inline constexpr char _CON_XLSX_FILTER[] = "Excel radna sveska (*.xlsx)";
inline constexpr char _CON_SAVED_FMT[] = "Sačuvano u %s";
inline constexpr char _CON_PRINTING_CAP[] = "Priprema štampe...";
inline constexpr char _CON_SAVING_CSV_CAP[] = "Čuvanje CSV datoteke...";
inline constexpr char _CON_SAVING_XLSX_CAP[] = "Čuvanje Excel datoteke...";
inline constexpr char _CON_CANCEL_CAP[] = "Otkaži";
inline constexpr char _CON_PDF_WRITE_ERR[] = "Datoteka \"%s\" ne može da se upiše.";
inline constexpr char _CON_CHOOSE_EMPLOYEE_CAP[] = "Izbor zaposlenog";
inline constexpr char _CON_SEARCH_CAP[] = "&Traži:";
inline constexpr char _CON_CHOOSE_CAP[] = "Izaberi";
inline constexpr char _CON_NEW_EMPLOYEE_CAP[] = "&Novi…";
inline constexpr char _CON_EDIT_EMPLOYEE_CAP[] = "I&zmeni…";
inline constexpr char _CON_EMPLOYEE_CAP[] = "Zaposleni";
inline constexpr char _CON_EMPLOYEE_MISSING_ERR[] = "Zaposleni sa šifrom %s ne postoji.";
