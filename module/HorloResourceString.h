// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of the Horlo module shown to users (Serbian, Latin script).
// UTF-8 constants, so that they are there before any code runs, whatever
// order a library starts its files in; they convert to QString where used.
#pragma once

inline constexpr char _HORLO_MOD_NAME[] = "Horlo";
inline constexpr char _HORLO_MOD_DESC[] = "Kontrola radnog vremena zaposlenih";
inline constexpr char _HORLO_EMPLOYEE[] = "Zaposleni";
inline constexpr char _HORLO_DATE_FROM[] = "Od datuma";
inline constexpr char _HORLO_DATE_TO[] = "Do datuma";
inline constexpr char _HORLO_EVENT[] = "Događaj";
inline constexpr char _HORLO_EVENT_IN[] = "Svi dolasci";
inline constexpr char _HORLO_EVENT_OUT[] = "Svi odlasci";
inline constexpr char _HORLO_BEFORE_H[] = "Pre(h)";
inline constexpr char _HORLO_AFTER_H[] = "Posle(h)";
inline constexpr char _REPORT_SEL_EMP_WRN[] = "Molimo izaberite zaposlenog.";
inline constexpr char _REPORT_EVENT_TYPE_ERR[] = "Događaj \"%s\" ne postoji.";
inline constexpr char _REPORT_NO_PAIR_ERR[] =
    "Nije izabran nijedan par događaja (događaj koji otvara interval i njegov par koji ga zatvara); sati se "
    "ne mogu izračunati.";
inline constexpr char _REPORT_PAIR_BOTH_ERR[] =
    "Događaj \"%s\" bi i otvarao i zatvarao interval, pa bi se pauza računala kao rad; ostavite ga samo u "
    "jednom paru.";
inline constexpr char _REPORT_PROGRESS_CAP[] = "Računanje sati i upozorenja...";
inline constexpr char _REPORT_CAP[] = "Izveštaj radnog vremena";
inline constexpr char _REPORT_WORK_DAYS_NO_CALENDAR_FMT[] = "Pon–pet: nema radnog kalendara za %s.";
inline constexpr char _ATTEND_FUTURE_DATE_ERR[] =
    "Datum %s je posle današnjeg: za njega još nema događaja, pa se evidencija ne upisuje unapred.";
inline constexpr char _HAND_EVENT_REASON_ERR[] = "Upišite razlog (najviše %d znakova).";
inline constexpr char _HAND_EVENT_FUTURE_ERR[] = "Vreme %s je posle sadašnjeg trenutka.";
inline constexpr char _HAND_EVENT_NO_EMPLOYEE_ERR[] = "Izaberite zaposlenog.";
inline constexpr char _HAND_EVENT_NO_TYPE_ERR[] = "Nema vrste događaja \"%s\".";
inline constexpr char _HAND_EVENT_DEVICE_ERR[] =
    "Događaj %d je zabeležio uređaj; takav se ne menja i ne briše (ispravlja se događajem unetim ručno).";
inline constexpr char _HAND_EVENT_MISSING_ERR[] = "Nema događaja %d.";
inline constexpr char _HISTORY_NO_CODE_WRN[] = "Nema zaposlenog sa kodom \"%s\".";
inline constexpr char _SEARCH_EMPLOYEE_NONE_WRN[] =
    "Nema zaposlenog \"%s\" (upišite kod, \"Prezime Ime\" ili \"Ime Prezime\").";
inline constexpr char _SEARCH_EMPLOYEE_MANY_WRN[] = "Zaposlenih \"%s\" ima %d; upišite kod zaposlenog.";
inline constexpr char _DEL_DEF_WRN[] = "Ne možete izbrisati podrazumevani događaj.";
inline constexpr char _DEL_DEVICE_EV_WRN[] =
    "Događaj %d je kod koji uređaji upisuju u dnevnik; ne može se izbrisati.";
inline constexpr char _NEW_EV_LONG_WRN[] = "Ime događaja može imati najviše %d znakova.";
inline constexpr char _CARD_HAS_TICKETS_ERR[] =
    "Kartica ima pristupne dozvole: prvo je označite kao neaktivnu i pošaljite u uređaje (\"Pošalji u "
    "uređaje\"), pa izbrišite njene dozvole.";
inline constexpr char _DEL_EV_CONF[] = "Da li ste sigurni da želite da izbrišete ovaj događaj i njegov par?";
inline constexpr char _NEW_EV_EXISTS_WRN[] = "Događaj \"%s\" već postoji; izaberite drugo ime.";
inline constexpr char _NEW_EV_WRN[] = "Morate zadati imena za oba događaja.";
inline constexpr char _WORK_CAL_DAY_1[] = "Nedelja";
inline constexpr char _WORK_CAL_DAY_2[] = "Ponedeljak";
inline constexpr char _WORK_CAL_DAY_3[] = "Utorak";
inline constexpr char _WORK_CAL_DAY_4[] = "Sreda";
inline constexpr char _WORK_CAL_DAY_5[] = "Četvrtak";
inline constexpr char _WORK_CAL_DAY_6[] = "Petak";
inline constexpr char _WORK_CAL_DAY_7[] = "Subota";
inline constexpr char _WORKING_TIME_SETTING_ERR[] =
    "Podešavanje %s (odeljak Horlo) ima vrednost \"%s\", a to nije vreme u obliku čč:mm:ss.";
inline constexpr char _WORKING_TIME_WRN[] =
    "Vrednost \"%s\" u polju \"%s\" nije vreme dana u obliku čč:mm:ss ili čč:mm.";
inline constexpr char _WORKING_TIME_ORDER_WRN[] = "Polje \"%s\" (%s) mora biti posle polja \"%s\" (%s).";
inline constexpr char _WORKING_TIME_GRACE_WRN[] = "Polje \"%s\" (%s) ne sme biti pre polja \"%s\" (%s).";
inline constexpr char _PERIOD_REVERSED_FMT[] = "Početak perioda (%s) je posle kraja (%s).";
inline constexpr char _ATTEND_PROGRESS_CAP[] = "Učitavanje evidencije prisustva...";
inline constexpr char _ATTEND_PERIOD_PROGRESS_CAP[] = "Upisivanje evidencije prisustva za period...";
inline constexpr char _ATTEND_LONG_PERIOD_CONF[] =
    "Period ima %d dana. Dodati evidenciju za svaki radni dan?";
inline constexpr char _ATTEND_DATE_EXIST_ERR[] = "Već postoji evidencija za izabrani datum!";
inline constexpr char _WORK_CAL_EXIST_ERR[] = "Dane ovog meseca je u međuvremenu upisao drugi program; "
                                              "izmene nisu sačuvane, prikazani su upisani dani.";
inline constexpr char _PRINT_HEADER_FMT[] = "Od datuma %s\r\nDo datuma %s";
inline constexpr char _PRINT_SUM_CAP[] = "zbirno";
inline constexpr char _CARD_EMPLOYEE_ERR[] = "Već postoji aktivna kartica za izabranog zaposlenog (%s)!";
inline constexpr char _CARD_EMPLOYEE_ADDED_INF[] = "Kartica zaposlenog je uspešno dodata u uređaje.";
inline constexpr char _CARD_EMPLOYEE_REMOVED_INF[] = "Kartica zaposlenog je uspešno izbrisana iz uređaja.";
inline constexpr char _REFRESH_TIME_INF[] = "Vreme je osveženo.";
inline constexpr char _DEVICE_CONNECT_ERR[] = "Greška u konekciji sa uređajima.";
inline constexpr char _LOCKED_INF[] = "Uređaji su zaključani.";
inline constexpr char _UNLOCKED_INF[] = "Uređaji su otključani.";
inline constexpr char _FIRE_INF[] = "Uređaji su slobodni za prolaz.";
inline constexpr char _UNLOCK_CONF[] = "Otključati sva vrata?";
inline constexpr char _FIRE_CONF[] = "Požar: otvoriti sva vrata?";
inline constexpr char _DEVICE_NOT_CONFIRMED_ERR[] = "Uređaji nisu potvrdili komandu: %s.";
inline constexpr char _NO_DOOR_ERR[] = "Nijedna pristupna tačka nije pitana; ništa nije potvrđeno.";
inline constexpr char _IMPORT_EVENT_INF[] = "Događaji su uveženi.";
inline constexpr char _PROCESSED_EVENT_INF[] = "Događaji su obrađeni.";
inline constexpr char _PROCESSED_ELSEWHERE_FMT[] = "Zapisa koje je u međuvremenu obradio drugi program: %d.";
inline constexpr char _PROCESSED_UNASSIGNED_FMT[] =
    "Prolaza kartica koje u to vreme nisu bile ničije: %d; nisu upisani kao događaji (horlo raw unassigned "
    "ih navodi; postaju događaji kad se kartica spoji sa zaposlenim od tog vremena).";
inline constexpr char _PROCESSED_NO_TICKET_FMT[] =
    "Zapisa sa nepoznatom pristupnom dozvolom (preskočeno): %d.";
inline constexpr char _CARD_NO_EMPLOYEE_FMT[] = "Zaposleni %s ne postoji.";
inline constexpr char _CARD_HELD_FMT[] = "Kartica %s pripada zaposlenom %s (kod %s).";
inline constexpr char _CARD_FUTURE_FMT[] =
    "Trenutak %s je u budućnosti; kartica se spaja ili razdvaja od sada ili od ranije.";
inline constexpr char _CARD_HELD_SINCE_FMT[] =
    "Kartica %s je od %s kartica zaposlenog %s; promena može da počne tek posle toga.";
inline constexpr char _CARD_HELD_UNTIL_FMT[] =
    "Kartica %s je do %s bila kartica zaposlenog %s; promena može da počne tek od tada.";
inline constexpr char _CARD_EVENTS_FMT[] = "Događaji prolaza od tog trenutka: %s.";
inline constexpr char _CARD_EVENTS_MADE_FMT[] = "upisano %d";
inline constexpr char _CARD_EVENTS_MOVED_FMT[] = "preneto na novog vlasnika %d";
inline constexpr char _CARD_EVENTS_REMOVED_FMT[] = "uklonjeno %d (horlo raw unassigned ih navodi)";
inline constexpr char _CARD_GONE_ERR[] = "Kartica više ne postoji.";
inline constexpr char _CARD_FREE_FMT[] = "Kartica %s nije ničija.";
inline constexpr char _CARD_ALREADY_FMT[] = "Kartica %s je već kartica zaposlenog %s.";
inline constexpr char _CARD_UNTIED_FMT[] = "Kartica %s nije ničija od %s.";
inline constexpr char _CARD_TIED_FMT[] = "Kartica %s je kartica zaposlenog %s od %s.";
inline constexpr char _SWIPE_NO_HOLDER_CAP[] = "kartica tada nije bila ničija";
inline constexpr char _SWIPE_UNKNOWN_CARD_CAP[] = "nepoznata kartica";
inline constexpr char _SWIPE_UNKNOWN_TICKET_CAP[] = "nepoznata pristupna dozvola";
inline constexpr char _IMPORTED_ELSEWHERE_FMT[] = "Zapisa koje je u međuvremenu upisao drugi program: %d.";
inline constexpr char _ALREADY_STORED_FMT[] = "Zapisa koji su već bili upisani (nisu upisani ponovo): %d.";
inline constexpr char _SEARCH_HOUR_WRN[] = "Vrednost \"%s\" u polju \"%s\" nije ceo sat od 0 do 23.";
inline constexpr char _SEARCH_DATE_WRN[] =
    "Vrednost \"%s\" u polju \"%s\" nije datum (dd.mm.gggg ili gggg-mm-dd).";
inline constexpr char _SCHEMA_OLDER_FMT[] =
    "Šema baze podataka je verzije %d, a program radi sa verzijom %d. "
    "Nadogradite bazu naredbom: horlo --db <baza> db upgrade";
inline constexpr char _SCHEMA_NEWER_FMT[] =
    "Šema baze podataka je verzije %d, novije od verzije %d s kojom radi ovaj program. "
    "Instalirajte noviji Horlo.";
inline constexpr char _SCHEMA_NONE_ERR[] =
    "U bazi podataka nema Horlo tabela. Napravite ih naredbom: horlo --db <baza> db init";
inline constexpr char _SCHEMA_NOT_EMPTY_ERR[] =
    "Baza podataka već ima tabele; šema se učitava samo u praznu bazu. Ništa nije upisano.";
inline constexpr char _SCHEMA_STEP_FMT[] =
    "Korak %d (%s) nadogradnje nije uspeo: %s. Posle ispravke ponovo pokrenite horlo db upgrade.";
inline constexpr char _SCHEMA_STEP_AFTER_FMT[] =
    "Korak %d (%s) nadogradnje nije uspeo: %s. Koraci pre njega su upisani; "
    "posle ispravke ponovo pokrenite horlo db upgrade.";
inline constexpr char _SCHEMA_DOUBLES_ERR[] =
    "Nadogradnja nije počela (ništa nije promenjeno): tabele imaju dvostruke zapise koji ne dozvoljavaju "
    "nove jedinstvene ključeve.";
inline constexpr char _SCHEMA_DOUBLES_KEY_FMT[] =
    "  Korak %d, ključ %s tabele %s: vrednosti koje se ponavljaju: %d. Navodi ih:\n    %s";
inline constexpr char _SCHEMA_DOUBLES_HINT[] =
    "Kako se dvostruki zapisi uklanjaju piše u README.md (Schema versions); zatim ponovo pokrenite "
    "horlo db upgrade.";
