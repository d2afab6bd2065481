// Texts of the Horlo module shown to users (Serbian, Latin script).
#pragma once

#include <QString>

inline const QString _HORLO_MOD_NAME = QStringLiteral("Horlo");
inline const QString _HORLO_MOD_DESC = QStringLiteral("Kontrola radnog vremena zaposlenih");
inline const QString _HORLO_EMPLOYEE = QStringLiteral("Zaposleni");
inline const QString _HORLO_DATE_FROM = QStringLiteral("Od datuma");
inline const QString _HORLO_DATE_TO = QStringLiteral("Do datuma");
inline const QString _HORLO_EVENT = QStringLiteral("Događaj");
inline const QString _HORLO_EVENT_IN = QStringLiteral("Svi dolasci");
inline const QString _HORLO_EVENT_OUT = QStringLiteral("Svi odlasci");
inline const QString _HORLO_BEFORE_H = QStringLiteral("Pre(h)");
inline const QString _HORLO_AFTER_H = QStringLiteral("Posle(h)");
inline const QString _REPORT_SEL_EMP_WRN = QStringLiteral("Molimo izaberite zaposlenog.");
inline const QString _DEL_DEF_WRN = QStringLiteral("Ne možete izbrisati podrazumevani događaj.");
inline const QString _DEL_EV_CONF =
    QStringLiteral("Da li ste sigurni da želite da izbrišete ovaj događaj i njegov par?");
inline const QString _NEW_EV_WRN = QStringLiteral("Morate zadati imena za oba događaja.");
inline const QString _WORK_CAL_DAY_1 = QStringLiteral("Nedelja");
inline const QString _WORK_CAL_DAY_2 = QStringLiteral("Ponedeljak");
inline const QString _WORK_CAL_DAY_3 = QStringLiteral("Utorak");
inline const QString _WORK_CAL_DAY_4 = QStringLiteral("Sreda");
inline const QString _WORK_CAL_DAY_5 = QStringLiteral("Četvrtak");
inline const QString _WORK_CAL_DAY_6 = QStringLiteral("Petak");
inline const QString _WORK_CAL_DAY_7 = QStringLiteral("Subota");
inline const QString _ATTEND_DATE_EXIST_ERR = QStringLiteral("Već postoji evidencija za izabrani datum!");
inline const QString _PRINT_HEADER_FMT = QStringLiteral("Od datuma %s\r\nDo datuma %s");
inline const QString _PRINT_SUM_CAP = QStringLiteral("zbirno");
inline const QString _CARD_EMPLOYEE_ERR =
    QStringLiteral("Već postoji aktivna kartica za izabranog zaposlenog!");
inline const QString _CARD_EMPLOYEE_ADDED_INF =
    QStringLiteral("Kartica zaposlenog je uspešno dodata u uređaje.");
inline const QString _CARD_EMPLOYEE_REMOVED_INF =
    QStringLiteral("Kartica zaposlenog je uspešno izbrisana iz uređaja.");
inline const QString _REFRESH_TIME_INF = QStringLiteral("Vreme je osveženo.");
inline const QString _DEVICE_CONNECT_ERR = QStringLiteral("Greška u konekciji sa uređajima.");
inline const QString _LOCKED_INF = QStringLiteral("Uređaji su zaključani.");
inline const QString _UNLOCKED_INF = QStringLiteral("Uređaji su otključani.");
inline const QString _FIRE_INF = QStringLiteral("Uređaji su slobodni za prolaz.");
inline const QString _DEVICE_NOT_CONFIRMED_ERR = QStringLiteral("Uređaji nisu potvrdili komandu: %s.");
inline const QString _IMPORT_EVENT_INF = QStringLiteral("Događaji su uveženi.");
inline const QString _PROCESSED_EVENT_INF = QStringLiteral("Događaji su obrađeni.");
inline const QString _SEARCH_HOUR_WRN =
    QStringLiteral("Vrednost \"%s\" u polju \"%s\" nije ceo sat od 0 do 23.");
inline const QString _SEARCH_DATE_WRN =
    QStringLiteral("Vrednost \"%s\" u polju \"%s\" nije datum u obliku gggg-mm-dd.");
