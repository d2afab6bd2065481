<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sr_Latn">
<context>
    <name>QPrintPreviewDialog</name>
    <message>
        <source>%1%</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>Print Preview</source>
        <translation>Pregled pre štampe</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Štampaj</translation>
    </message>
    <message>
        <source>Fit page</source>
        <translation>Cela stranica</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Uvećaj</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Položeno</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Umanji</translation>
    </message>
    <message>
        <source>Fit width</source>
        <translation>Cela širina</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Uspravno</translation>
    </message>
    <message>
        <source>Page Setup</source>
        <translation>Podešavanje stranice</translation>
    </message>
    <message>
        <source>Page setup</source>
        <translation>Podešavanje stranice</translation>
    </message>
    <message>
        <source>Show overview of all pages</source>
        <translation>Prikaži sve stranice</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>Prva stranica</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>Poslednja stranica</translation>
    </message>
    <message>
        <source>Show single page</source>
        <translation>Prikaži jednu stranicu</translation>
    </message>
    <message>
        <source>Export to PDF</source>
        <translation>Izvezi u PDF</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Prethodna stranica</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Sledeća stranica</translation>
    </message>
    <message>
        <source>Show facing pages</source>
        <translation>Prikaži po dve stranice</translation>
    </message>
</context>
<context>
    <name>QPrintDialog</name>
    <message>
        <source>OK</source>
        <translation>U redu</translation>
    </message>
    <message>
        <source>Even Pages</source>
        <translation>Parne stranice</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Štampa</translation>
    </message>
    <message>
        <source>&amp;Options &lt;&lt;</source>
        <translation>&amp;Opcije &lt;&lt;</translation>
    </message>
    <message>
        <source>&amp;Options &gt;&gt;</source>
        <translation>&amp;Opcije &gt;&gt;</translation>
    </message>
    <message>
        <source>Left to Right, Top to Bottom</source>
        <translation>Sleva nadesno, odozgo nadole</translation>
    </message>
    <message>
        <source>Right to Left, Bottom to Top</source>
        <translation>Zdesna nalevo, odozdo nagore</translation>
    </message>
    <message>
        <source>Write PDF file</source>
        <translation>Upiši PDF datoteku</translation>
    </message>
    <message>
        <source>&amp;Print</source>
        <translation>Š&amp;tampaj</translation>
    </message>
    <message>
        <source>1 (1x1)</source>
        <translation>1 (1 × 1)</translation>
    </message>
    <message>
        <source>Options &apos;Pages Per Sheet&apos; and &apos;Page Set&apos; cannot be used together.
Please turn one of those options off.</source>
        <translation>Opcije „Stranica po listu“ i „Skup stranica“ ne mogu zajedno.
Isključite jednu od njih.</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to overwrite it?</source>
        <translation>%1 već postoji.
Da li želite da je zamenite?</translation>
    </message>
    <message>
        <source>2 (2x1)</source>
        <translation>2 (2 × 1)</translation>
    </message>
    <message>
        <source>Left to Right, Bottom to Top</source>
        <translation>Sleva nadesno, odozdo nagore</translation>
    </message>
    <message>
        <source>4 (2x2)</source>
        <translation>4 (2 × 2)</translation>
    </message>
    <message>
        <source>Odd Pages</source>
        <translation>Neparne stranice</translation>
    </message>
    <message>
        <source>Local file</source>
        <translation>Lokalna datoteka</translation>
    </message>
    <message>
        <source>6 (2x3)</source>
        <translation>6 (2 × 3)</translation>
    </message>
    <message>
        <source>16 (4x4)</source>
        <translation>16 (4 × 4)</translation>
    </message>
    <message>
        <source>There are conflicts in duplex settings. Do you want to fix them?</source>
        <translation>Podešavanja dvostrane štampe se sukobljavaju. Da li želite da ih ispravite?</translation>
    </message>
    <message>
        <source>Print to File (PDF)</source>
        <translation>Štampa u datoteku (PDF)</translation>
    </message>
    <message>
        <source>Print To File ...</source>
        <translation>Štampa u datoteku...</translation>
    </message>
    <message>
        <source>Invalid Pages Definition</source>
        <translation>Neispravno zadate stranice</translation>
    </message>
    <message>
        <source>%1 does not follow the correct syntax. Please use &apos;,&apos; to separate ranges and pages, &apos;-&apos; to define ranges and make sure ranges do not intersect with each other.</source>
        <translation>%1 nije ispravno napisano. Stranice i opsege odvojite sa &apos;,&apos;, opseg zadajte sa &apos;-&apos; i pazite da se opsezi ne preklapaju.</translation>
    </message>
    <message>
        <source>9 (3x3)</source>
        <translation>9 (3 × 3)</translation>
    </message>
    <message>
        <source>Right to Left, Top to Bottom</source>
        <translation>Zdesna nalevo, odozgo nadole</translation>
    </message>
    <message>
        <source>Bottom to Top, Left to Right</source>
        <translation>Odozdo nagore, sleva nadesno</translation>
    </message>
    <message>
        <source>The &apos;From&apos; value cannot be greater than the &apos;To&apos; value.</source>
        <translation>Vrednost &apos;Od&apos; ne može biti veća od vrednosti &apos;Do&apos;.</translation>
    </message>
    <message>
        <source>All Pages</source>
        <translation>Sve stranice</translation>
    </message>
    <message>
        <source>Duplex Settings Conflicts</source>
        <translation>Sukob u podešavanjima dvostrane štampe</translation>
    </message>
    <message>
        <source>%1 is a directory.
Please choose a different file name.</source>
        <translation>%1 je fascikla.
Izaberite drugo ime datoteke.</translation>
    </message>
    <message>
        <source>File %1 is not writable.
Please choose a different file name.</source>
        <translation>U datoteku %1 ne može da se piše.
Izaberite drugo ime datoteke.</translation>
    </message>
    <message>
        <source>Bottom to Top, Right to Left</source>
        <translation>Odozdo nagore, zdesna nalevo</translation>
    </message>
    <message>
        <source>Top to Bottom, Left to Right</source>
        <translation>Odozgo nadole, sleva nadesno</translation>
    </message>
    <message>
        <source>Top to Bottom, Right to Left</source>
        <translation>Odozgo nadole, zdesna nalevo</translation>
    </message>
</context>
<context>
    <name>QPrintSettingsOutput</name>
    <message>
        <source>to</source>
        <translation>do</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Obrazac</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Ne</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>U boji</translation>
    </message>
    <message>
        <source>Print all</source>
        <translation>Sve</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Stranice</translation>
    </message>
    <message>
        <source>Current Page</source>
        <translation>Trenutna stranica</translation>
    </message>
    <message>
        <source>Selection</source>
        <translation>Izbor</translation>
    </message>
    <message>
        <source>Long side</source>
        <translation>Duža ivica</translation>
    </message>
    <message>
        <source>Copies</source>
        <translation>Primerci</translation>
    </message>
    <message>
        <source>Print range</source>
        <translation>Opseg štampe</translation>
    </message>
    <message>
        <source>Color Mode</source>
        <translation>Boja</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Opcije</translation>
    </message>
    <message>
        <source>Output Settings</source>
        <translation>Izlaz</translation>
    </message>
    <message>
        <source>Reverse</source>
        <translation>Obrnutim redom</translation>
    </message>
    <message>
        <source>Grayscale</source>
        <translation>Nijanse sive</translation>
    </message>
    <message>
        <source>Short side</source>
        <translation>Kraća ivica</translation>
    </message>
    <message>
        <source>Collate</source>
        <translation>Složi po primercima</translation>
    </message>
    <message>
        <source>Copies:</source>
        <translation>Primeraka:</translation>
    </message>
    <message>
        <source>Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.</source>
        <translation>Stranice ili opsezi odvojeni zarezima; opseg su dva broja sa crticom između. Na primer 3,5-7,9 štampa stranice 3, 5, 6, 7 i 9.</translation>
    </message>
    <message>
        <source>Pages from</source>
        <translation>Stranice od</translation>
    </message>
    <message>
        <source>Page Set:</source>
        <translation>Skup stranica:</translation>
    </message>
    <message>
        <source>Duplex Printing</source>
        <translation>Dvostrana štampa</translation>
    </message>
    <message>
        <source>Double Sided Printing</source>
        <translation>Dvostrana štampa</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Isključena</translation>
    </message>
    <message>
        <source>Long side binding</source>
        <translation>Povez po dužoj ivici</translation>
    </message>
    <message>
        <source>Short side binding</source>
        <translation>Povez po kraćoj ivici</translation>
    </message>
</context>
<context>
    <name>QPrintWidget</name>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Obrazac</translation>
    </message>
    <message>
        <source>Type:</source>
        <translation>Vrsta:</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Ime:</translation>
    </message>
    <message>
        <source>Output &amp;file:</source>
        <translation>Izlazna &amp;datoteka:</translation>
    </message>
    <message>
        <source>P&amp;roperties</source>
        <translation>&amp;Svojstva</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Pregled</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Štampač</translation>
    </message>
    <message>
        <source>Location:</source>
        <translation>Mesto:</translation>
    </message>
</context>
<context>
    <name>QPrintPropertiesWidget</name>
    <message>
        <source>Form</source>
        <translation>Obrazac</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Stranica</translation>
    </message>
    <message>
        <source>There are conflicts in some options. Please fix them.</source>
        <translation>Neke opcije se sukobljavaju. Ispravite ih.</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Napredno</translation>
    </message>
</context>
<context>
    <name>QPrintPropertiesDialog</name>
    <message>
        <source>Advanced Option Conflicts</source>
        <translation>Sukob u naprednim opcijama</translation>
    </message>
    <message>
        <source>Job Options</source>
        <translation>Opcije posla</translation>
    </message>
    <message>
        <source>Page Setup Conflicts</source>
        <translation>Sukob u podešavanju stranice</translation>
    </message>
    <message>
        <source>There are conflicts in some advanced options. Do you want to fix them?</source>
        <translation>Neke napredne opcije se sukobljavaju. Da li želite da ih ispravite?</translation>
    </message>
    <message>
        <source>There are conflicts in page setup options. Do you want to fix them?</source>
        <translation>Opcije podešavanja stranice se sukobljavaju. Da li želite da ih ispravite?</translation>
    </message>
    <message>
        <source>Printer Properties</source>
        <translation>Svojstva štampača</translation>
    </message>
</context>
<context>
    <name>QPageSetupWidget</name>
    <message>
        <source>CC</source>
        <translation>CC</translation>
    </message>
    <message>
        <source>DD</source>
        <translation>DD</translation>
    </message>
    <message>
        <source>in</source>
        <translation>in</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>pt</source>
        <translation>pt</translation>
    </message>
    <message>
        <source>P̸</source>
        <translation>p</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Obrazac</translation>
    </message>
    <message>
        <source>bottom margin</source>
        <translation>donja margina</translation>
    </message>
    <message>
        <source>Paper</source>
        <translation>Papir</translation>
    </message>
    <message>
        <source>Paper source:</source>
        <translation>Izvor papira:</translation>
    </message>
    <message>
        <source>right margin</source>
        <translation>desna margina</translation>
    </message>
    <message>
        <source>Pica (P̸)</source>
        <translation>Pike (p)</translation>
    </message>
    <message>
        <source>Margins</source>
        <translation>Margine</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Po meri</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Položeno</translation>
    </message>
    <message>
        <source>Page Layout</source>
        <translation>Raspored stranica</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Širina:</translation>
    </message>
    <message>
        <source>Orientation</source>
        <translation>Položaj</translation>
    </message>
    <message>
        <source>Didot (DD)</source>
        <translation>Dido tačke (DD)</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Uspravno</translation>
    </message>
    <message>
        <source>Page order:</source>
        <translation>Redosled stranica:</translation>
    </message>
    <message>
        <source>top margin</source>
        <translation>gornja margina</translation>
    </message>
    <message>
        <source>left margin</source>
        <translation>leva margina</translation>
    </message>
    <message>
        <source>Page size:</source>
        <translation>Veličina stranice:</translation>
    </message>
    <message>
        <source>Cicero (CC)</source>
        <translation>Ciceri (CC)</translation>
    </message>
    <message>
        <source>Reverse portrait</source>
        <translation>Obrnuto uspravno</translation>
    </message>
    <message>
        <source>Millimeters (mm)</source>
        <translation>Milimetri (mm)</translation>
    </message>
    <message>
        <source>Points (pt)</source>
        <translation>Tačke (pt)</translation>
    </message>
    <message>
        <source>Pages per sheet:</source>
        <translation>Stranica po listu:</translation>
    </message>
    <message>
        <source>Inches (in)</source>
        <translation>Inči (in)</translation>
    </message>
    <message>
        <source>Reverse landscape</source>
        <translation>Obrnuto položeno</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Visina:</translation>
    </message>
</context>
<context>
    <name>QPageSize</name>
    <message>
        <source>A0</source>
        <translation>A0</translation>
    </message>
    <message>
        <source>A1</source>
        <translation>A1</translation>
    </message>
    <message>
        <source>A2</source>
        <translation>A2</translation>
    </message>
    <message>
        <source>A3</source>
        <translation>A3</translation>
    </message>
    <message>
        <source>A4</source>
        <translation>A4</translation>
    </message>
    <message>
        <source>A5</source>
        <translation>A5</translation>
    </message>
    <message>
        <source>A6</source>
        <translation>A6</translation>
    </message>
    <message>
        <source>A7</source>
        <translation>A7</translation>
    </message>
    <message>
        <source>A8</source>
        <translation>A8</translation>
    </message>
    <message>
        <source>A9</source>
        <translation>A9</translation>
    </message>
    <message>
        <source>B0</source>
        <translation>B0</translation>
    </message>
    <message>
        <source>B1</source>
        <translation>B1</translation>
    </message>
    <message>
        <source>B2</source>
        <translation>B2</translation>
    </message>
    <message>
        <source>B3</source>
        <translation>B3</translation>
    </message>
    <message>
        <source>B4</source>
        <translation>B4</translation>
    </message>
    <message>
        <source>B5</source>
        <translation>B5</translation>
    </message>
    <message>
        <source>B6</source>
        <translation>B6</translation>
    </message>
    <message>
        <source>B7</source>
        <translation>B7</translation>
    </message>
    <message>
        <source>B8</source>
        <translation>B8</translation>
    </message>
    <message>
        <source>B9</source>
        <translation>B9</translation>
    </message>
    <message>
        <source>A10</source>
        <translation>A10</translation>
    </message>
    <message>
        <source>B10</source>
        <translation>B10</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Letter / ANSI A</source>
        <translation>Letter / ANSI A</translation>
    </message>
    <message>
        <source>Legal</source>
        <translation>Legal</translation>
    </message>
    <message>
        <source>Envelope Monarch</source>
        <translation>Koverta Monarch</translation>
    </message>
    <message>
        <source>Architect A</source>
        <translation>Architect A</translation>
    </message>
    <message>
        <source>Architect B</source>
        <translation>Architect B</translation>
    </message>
    <message>
        <source>Architect C</source>
        <translation>Architect C</translation>
    </message>
    <message>
        <source>Architect D</source>
        <translation>Architect D</translation>
    </message>
    <message>
        <source>Architect E</source>
        <translation>Architect E</translation>
    </message>
    <message>
        <source>Letter Extra</source>
        <translation>Letter Extra</translation>
    </message>
    <message>
        <source>Letter Small</source>
        <translation>Letter Small</translation>
    </message>
    <message>
        <source>Envelope You 4</source>
        <translation>Koverta You 4</translation>
    </message>
    <message>
        <source>Envelope US 10</source>
        <translation>Koverta US 10</translation>
    </message>
    <message>
        <source>Envelope US 11</source>
        <translation>Koverta US 11</translation>
    </message>
    <message>
        <source>Envelope US 12</source>
        <translation>Koverta US 12</translation>
    </message>
    <message>
        <source>Envelope US 14</source>
        <translation>Koverta US 14</translation>
    </message>
    <message>
        <source>Envelope PRC 1</source>
        <translation>Koverta PRC 1</translation>
    </message>
    <message>
        <source>Envelope PRC 2</source>
        <translation>Koverta PRC 2</translation>
    </message>
    <message>
        <source>Envelope PRC 3</source>
        <translation>Koverta PRC 3</translation>
    </message>
    <message>
        <source>Envelope PRC 4</source>
        <translation>Koverta PRC 4</translation>
    </message>
    <message>
        <source>Envelope PRC 5</source>
        <translation>Koverta PRC 5</translation>
    </message>
    <message>
        <source>Envelope PRC 6</source>
        <translation>Koverta PRC 6</translation>
    </message>
    <message>
        <source>Envelope PRC 7</source>
        <translation>Koverta PRC 7</translation>
    </message>
    <message>
        <source>Envelope PRC 8</source>
        <translation>Koverta PRC 8</translation>
    </message>
    <message>
        <source>Envelope PRC 9</source>
        <translation>Koverta PRC 9</translation>
    </message>
    <message>
        <source>Envelope C65</source>
        <translation>Koverta C65</translation>
    </message>
    <message>
        <source>Envelope DL</source>
        <translation>Koverta DL</translation>
    </message>
    <message>
        <source>Envelope B4</source>
        <translation>Koverta B4</translation>
    </message>
    <message>
        <source>Envelope B5</source>
        <translation>Koverta B5</translation>
    </message>
    <message>
        <source>Envelope B6</source>
        <translation>Koverta B6</translation>
    </message>
    <message>
        <source>Envelope C0</source>
        <translation>Koverta C0</translation>
    </message>
    <message>
        <source>Envelope C1</source>
        <translation>Koverta C1</translation>
    </message>
    <message>
        <source>Envelope C2</source>
        <translation>Koverta C2</translation>
    </message>
    <message>
        <source>Envelope C3</source>
        <translation>Koverta C3</translation>
    </message>
    <message>
        <source>Envelope C4</source>
        <translation>Koverta C4</translation>
    </message>
    <message>
        <source>Envelope C5</source>
        <translation>Koverta C5</translation>
    </message>
    <message>
        <source>Envelope C6</source>
        <translation>Koverta C6</translation>
    </message>
    <message>
        <source>Envelope C7</source>
        <translation>Koverta C7</translation>
    </message>
    <message>
        <source>Executive (7.5 x 10 in)</source>
        <translation>Executive (7.5 x 10 in)</translation>
    </message>
    <message>
        <source>ANSI C</source>
        <translation>ANSI C</translation>
    </message>
    <message>
        <source>ANSI D</source>
        <translation>ANSI D</translation>
    </message>
    <message>
        <source>ANSI E</source>
        <translation>ANSI E</translation>
    </message>
    <message>
        <source>A4 Plus</source>
        <translation>A4 Plus</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Po meri</translation>
    </message>
    <message>
        <source>JIS B0</source>
        <translation>JIS B0</translation>
    </message>
    <message>
        <source>JIS B1</source>
        <translation>JIS B1</translation>
    </message>
    <message>
        <source>JIS B2</source>
        <translation>JIS B2</translation>
    </message>
    <message>
        <source>JIS B3</source>
        <translation>JIS B3</translation>
    </message>
    <message>
        <source>JIS B4</source>
        <translation>JIS B4</translation>
    </message>
    <message>
        <source>JIS B5</source>
        <translation>JIS B5</translation>
    </message>
    <message>
        <source>JIS B6</source>
        <translation>JIS B6</translation>
    </message>
    <message>
        <source>JIS B7</source>
        <translation>JIS B7</translation>
    </message>
    <message>
        <source>JIS B8</source>
        <translation>JIS B8</translation>
    </message>
    <message>
        <source>JIS B9</source>
        <translation>JIS B9</translation>
    </message>
    <message>
        <source>A3 Extra</source>
        <translation>A3 Ekstra</translation>
    </message>
    <message>
        <source>PRC 16K</source>
        <translation>PRC 16K</translation>
    </message>
    <message>
        <source>PRC 32K</source>
        <translation>PRC 32K</translation>
    </message>
    <message>
        <source>Quarto</source>
        <translation>Quarto</translation>
    </message>
    <message>
        <source>PRC 32K Big</source>
        <translation>PRC 32K Big</translation>
    </message>
    <message>
        <source>A4 Extra</source>
        <translation>A4 Ekstra</translation>
    </message>
    <message>
        <source>A4 Small</source>
        <translation>A4 Mala</translation>
    </message>
    <message>
        <source>Executive (7.25 x 10.5 in)</source>
        <translation>Executive (7.25 x 10.5 in)</translation>
    </message>
    <message>
        <source>Postcard</source>
        <translation>Dopisnica</translation>
    </message>
    <message>
        <source>Tabloid / ANSI B</source>
        <translation>Tabloid / ANSI B</translation>
    </message>
    <message>
        <source>A5 Extra</source>
        <translation>A5 Ekstra</translation>
    </message>
    <message>
        <source>B5 Extra</source>
        <translation>B5 Ekstra</translation>
    </message>
    <message>
        <source>Envelope Invite</source>
        <translation>Koverta Invite</translation>
    </message>
    <message>
        <source>Envelope Chou 3</source>
        <translation>Koverta Chou 3</translation>
    </message>
    <message>
        <source>Envelope Chou 4</source>
        <translation>Koverta Chou 4</translation>
    </message>
    <message>
        <source>Statement</source>
        <translation>Statement</translation>
    </message>
    <message>
        <source>Fan-fold German (8.5 x 12 in)</source>
        <translation>Fan-fold German (8.5 x 12 in)</translation>
    </message>
    <message>
        <source>Envelope PRC 10</source>
        <translation>Koverta PRC 10</translation>
    </message>
    <message>
        <source>Envelope Kaku 2</source>
        <translation>Koverta Kaku 2</translation>
    </message>
    <message>
        <source>Envelope Kaku 3</source>
        <translation>Koverta Kaku 3</translation>
    </message>
    <message>
        <source>Envelope US 9</source>
        <translation>Koverta US 9</translation>
    </message>
    <message>
        <source>%1 x %2 in</source>
        <translation>%1 × %2 in</translation>
    </message>
    <message>
        <source>Super A</source>
        <translation>Super A</translation>
    </message>
    <message>
        <source>Super B</source>
        <translation>Super B</translation>
    </message>
    <message>
        <source>Fan-fold US (14.875 x 11 in)</source>
        <translation>Fan-fold US (14.875 x 11 in)</translation>
    </message>
    <message>
        <source>Fan-fold German Legal (8.5 x 13 in)</source>
        <translation>Fan-fold German Legal (8.5 x 13 in)</translation>
    </message>
    <message>
        <source>Custom (%1in x %2in)</source>
        <translation>Po meri (%1in × %2in)</translation>
    </message>
    <message>
        <source>Custom (%1mm x %2mm)</source>
        <translation>Po meri (%1mm × %2mm)</translation>
    </message>
    <message>
        <source>Custom (%1CC x %2CC)</source>
        <translation>Po meri (%1CC × %2CC)</translation>
    </message>
    <message>
        <source>Custom (%1DD x %2DD)</source>
        <translation>Po meri (%1DD × %2DD)</translation>
    </message>
    <message>
        <source>Custom (%1pc x %2pc)</source>
        <translation>Po meri (%1p × %2p)</translation>
    </message>
    <message>
        <source>Custom (%1pt x %2pt)</source>
        <translation>Po meri (%1pt × %2pt)</translation>
    </message>
    <message>
        <source>Letter Plus</source>
        <translation>Letter Plus</translation>
    </message>
    <message>
        <source>Tabloid Extra</source>
        <translation>Tabloid Extra</translation>
    </message>
    <message>
        <source>Envelope Italian</source>
        <translation>Koverta Italian</translation>
    </message>
    <message>
        <source>Double Postcard</source>
        <translation>Dvostruka dopisnica</translation>
    </message>
    <message>
        <source>Legal Extra</source>
        <translation>Legal Extra</translation>
    </message>
    <message>
        <source>Folio (8.27 x 13 in)</source>
        <translation>Folio (8.27 x 13 in)</translation>
    </message>
    <message>
        <source>Ledger / ANSI B</source>
        <translation>Ledger / ANSI B</translation>
    </message>
    <message>
        <source>JIS B10</source>
        <translation>JIS B10</translation>
    </message>
    <message>
        <source>Envelope Personal</source>
        <translation>Koverta Personal</translation>
    </message>
</context>
<context>
    <name>QCupsJobWidget</name>
    <message>
        <source>Job</source>
        <translation>Posao</translation>
    </message>
    <message>
        <source>End:</source>
        <translation>Poslednja:</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Bez</translation>
    </message>
    <message>
        <source>Banner Pages</source>
        <translation>Naslovne stranice</translation>
    </message>
    <message>
        <source>Night (18:00 to 05:59)</source>
        <translation>Noću (18:00 do 05:59)</translation>
    </message>
    <message>
        <source>Specific Time</source>
        <translation>U zadato vreme</translation>
    </message>
    <message>
        <source>Billing information:</source>
        <translation>Podaci za naplatu:</translation>
    </message>
    <message>
        <source>Scheduled printing:</source>
        <translation>Zakazana štampa:</translation>
    </message>
    <message>
        <source>Secret</source>
        <translation>Tajno</translation>
    </message>
    <message>
        <source>Top Secret</source>
        <translation>Strogo poverljivo</translation>
    </message>
    <message>
        <source>Start:</source>
        <translation>Prva:</translation>
    </message>
    <message>
        <source>Day (06:00 to 17:59)</source>
        <translation>Danju (06:00 do 17:59)</translation>
    </message>
    <message>
        <source>Second Shift (16:00 to 23:59)</source>
        <translation>Druga smena (16:00 do 23:59)</translation>
    </message>
    <message>
        <source>Job Control</source>
        <translation>Upravljanje poslom</translation>
    </message>
    <message>
        <source>Weekend (Saturday to Sunday)</source>
        <translation>Vikend (subota i nedelja)</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standardno</translation>
    </message>
    <message>
        <source>Classified</source>
        <translation>Poverljivo</translation>
    </message>
    <message>
        <source>Third Shift (00:00 to 07:59)</source>
        <translation>Treća smena (00:00 do 07:59)</translation>
    </message>
    <message>
        <source>Hold Indefinitely</source>
        <translation>Zadrži do daljeg</translation>
    </message>
    <message>
        <source>Print Immediately</source>
        <translation>Štampaj odmah</translation>
    </message>
    <message>
        <source>Confidential</source>
        <translation>Poverljivo</translation>
    </message>
    <message>
        <source>Job priority:</source>
        <translation>Prioritet posla:</translation>
    </message>
    <message>
        <source>Unclassified</source>
        <translation>Javno</translation>
    </message>
</context>
<context>
    <name>QCupsPrinterSupport</name>
    <message>
        <source>Authentication needed to use %1 on %2.</source>
        <translation>Za korišćenje %1 na %2 potrebna je prijava.</translation>
    </message>
    <message>
        <source>Authentication needed to use %1.</source>
        <translation>Za korišćenje %1 potrebna je prijava.</translation>
    </message>
    <message>
        <source>Authentication Needed</source>
        <translation>Potrebna je prijava</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Lozinka:</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Korisničko ime:</translation>
    </message>
</context>
<context>
    <name>QFileDialog</name>
    <message>
        <source>Back</source>
        <translation>Nazad</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datoteka</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Otvori</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Otvori</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Sačuvaj</translation>
    </message>
    <message>
        <source>Alias</source>
        <translation>Alijas</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Disk</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Datoteke</translation>
    </message>
    <message>
        <source>Show </source>
        <translation>Prikaži </translation>
    </message>
    <message>
        <source>&apos;%1&apos; is write protected.
Do you want to delete it anyway?</source>
        <translation>&apos;%1&apos; je zaštićena od upisa.
Da li ipak želite da je obrišete?</translation>
    </message>
    <message>
        <source>Are you sure you want to delete &apos;%1&apos;?</source>
        <translation>Da li sigurno želite da obrišete &apos;%1&apos;?</translation>
    </message>
    <message>
        <source>List of places and bookmarks</source>
        <translation>Spisak mesta i obeleživača</translation>
    </message>
    <message>
        <source>File &amp;name:</source>
        <translation>&amp;Ime datoteke:</translation>
    </message>
    <message>
        <source>Alt+Left</source>
        <translation>Alt+Left</translation>
    </message>
    <message>
        <source>Alt+Up</source>
        <translation>Alt+Up</translation>
    </message>
    <message>
        <source>File Folder</source>
        <translation>Fascikla</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Obriši</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Nova fascikla</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Fascikla</translation>
    </message>
    <message>
        <source>Parent Directory</source>
        <translation>Nadređena fascikla</translation>
    </message>
    <message>
        <source>&amp;New Folder</source>
        <translation>&amp;Nova fascikla</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Ukloni</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Moj računar</translation>
    </message>
    <message>
        <source>Look in:</source>
        <translation>Traži u:</translation>
    </message>
    <message>
        <source>Alt+Right</source>
        <translation>Alt+Right</translation>
    </message>
    <message>
        <source>Create a New Folder</source>
        <translation>Napravi novu fasciklu</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>%1 datoteka</translation>
    </message>
    <message>
        <source>Files of type:</source>
        <translation>Vrsta datoteka:</translation>
    </message>
    <message>
        <source>Find Directory</source>
        <translation>Nađi fasciklu</translation>
    </message>
    <message>
        <source>Show &amp;hidden files</source>
        <translation>Prikaži &amp;skrivene datoteke</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Sačuvaj kao</translation>
    </message>
    <message>
        <source>%1
Directory not found.
Please verify the correct directory name was given.</source>
        <translation>%1
Fascikla nije nađena.
Proverite da li je ime fascikle tačno.</translation>
    </message>
    <message>
        <source>Sidebar</source>
        <translation>Bočna traka</translation>
    </message>
    <message>
        <source>List View</source>
        <translation>Spisak</translation>
    </message>
    <message>
        <source>&amp;Choose</source>
        <translation>&amp;Izaberi</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>O&amp;briši</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Sve datoteke (*)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Sve datoteke (*)</translation>
    </message>
    <message>
        <source>Directories</source>
        <translation>Fascikle</translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation>&amp;Preimenuj</translation>
    </message>
    <message>
        <source>Could not delete directory.</source>
        <translation>Fascikla ne može da se obriše.</translation>
    </message>
    <message>
        <source>Directory:</source>
        <translation>Fascikla:</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Nepoznato</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 već postoji.
Da li želite da je zamenite?</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Napred</translation>
    </message>
    <message>
        <source>Go forward</source>
        <translation>Idi napred</translation>
    </message>
    <message>
        <source>Go to the parent directory</source>
        <translation>Idi u nadređenu fasciklu</translation>
    </message>
    <message>
        <source>Recent Places</source>
        <translation>Skorašnja mesta</translation>
    </message>
    <message>
        <source>Go back</source>
        <translation>Idi nazad</translation>
    </message>
    <message>
        <source>Change to detail view mode</source>
        <translation>Prikaži detalje</translation>
    </message>
    <message>
        <source>Create New Folder</source>
        <translation>Napravi novu fasciklu</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Prečica</translation>
    </message>
    <message>
        <source>Detail View</source>
        <translation>Detalji</translation>
    </message>
    <message>
        <source>%1
File not found.
Please verify the correct file name was given.</source>
        <translation>%1
Datoteka nije nađena.
Proverite da li je ime datoteke tačno.</translation>
    </message>
    <message>
        <source>Change to list view mode</source>
        <translation>Prikaži spisak</translation>
    </message>
</context>
<context>
    <name>QFileSystemModel</name>
    <message>
        <source>Kind</source>
        <translation>Vrsta</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Ime</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Veličina</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Vrsta</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Moj računar</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Računar</translation>
    </message>
    <message>
        <source>Invalid filename</source>
        <translation>Neispravno ime datoteke</translation>
    </message>
    <message>
        <source>&lt;b&gt;The name &quot;%1&quot; cannot be used.&lt;/b&gt;&lt;p&gt;Try using another name, with fewer characters or no punctuation marks.</source>
        <translation>&lt;b&gt;Ime „%1“ ne može da se koristi.&lt;/b&gt;&lt;p&gt;Probajte drugo ime, kraće ili bez znakova interpunkcije.</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Izmenjeno</translation>
    </message>
</context>
<context>
    <name>QMessageBox</name>
    <message>
        <source>Show Details...</source>
        <translation>Prikaži detalje...</translation>
    </message>
    <message>
        <source>About Qt</source>
        <translation>O Qt-u</translation>
    </message>
    <message>
        <source>Hide Details...</source>
        <translation>Sakrij detalje...</translation>
    </message>
    <message>
        <source>&lt;h3&gt;About Qt&lt;/h3&gt;&lt;p&gt;This program uses Qt version %1.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;O Qt-u&lt;/h3&gt;&lt;p&gt;Ovaj program koristi Qt verziju %1.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>U redu</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Ne</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Da</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Pomoć</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Otvori</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sačuvaj</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Prekini</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Primeni</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Zatvori</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Poništi</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Pokušaj ponovo</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Vrati podrazumevano</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Otkaži</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Zanemari</translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation>N&amp;e za sve</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Sačuvaj sve</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Odbaci</translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation>D&amp;a za sve</translation>
    </message>
</context>
<context>
    <name>QGnomeTheme</name>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;U redu</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Sačuvaj</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Zatvori</translation>
    </message>
    <message>
        <source>Close without Saving</source>
        <translation>Zatvori bez čuvanja</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Otkaži</translation>
    </message>
</context>
<context>
    <name>QDialogButtonBox</name>
    <message>
        <source>OK</source>
        <translation>U redu</translation>
    </message>
</context>
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Otkaži</translation>
    </message>
</context>
<context>
    <name>QInputDialog</name>
    <message>
        <source>Enter a value:</source>
        <translation>Unesite vrednost:</translation>
    </message>
</context>
<context>
    <name>QLineEdit</name>
    <message>
        <source>Cu&amp;t</source>
        <translation>Ise&amp;ci</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopiraj</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Ponovi</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Opozovi</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Nalepi</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Obriši</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Izaberi sve</translation>
    </message>
</context>
<context>
    <name>QWidgetTextControl</name>
    <message>
        <source>Cu&amp;t</source>
        <translation>Ise&amp;ci</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopiraj</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Ponovi</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Opozovi</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Nalepi</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Obriši</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Izaberi sve</translation>
    </message>
    <message>
        <source>Copy &amp;Link Location</source>
        <translation>Kopiraj adresu &amp;veze</translation>
    </message>
</context>
<context>
    <name>QUnicodeControlCharacterMenu</name>
    <message>
        <source>RLE Start of right-to-left embedding</source>
        <translation>RLE početak ugrađenog teksta zdesna nalevo</translation>
    </message>
    <message>
        <source>ZWSP Zero width space</source>
        <translation>ZWSP razmak bez širine</translation>
    </message>
    <message>
        <source>LRI Left-to-right isolate</source>
        <translation>LRI izdvojeno sleva nadesno</translation>
    </message>
    <message>
        <source>Insert Unicode control character</source>
        <translation>Umetni Unicode kontrolni znak</translation>
    </message>
    <message>
        <source>LRO Start of left-to-right override</source>
        <translation>LRO početak nametnutog smera sleva nadesno</translation>
    </message>
    <message>
        <source>LRE Start of left-to-right embedding</source>
        <translation>LRE početak ugrađenog teksta sleva nadesno</translation>
    </message>
    <message>
        <source>RLI Right-to-left isolate</source>
        <translation>RLI izdvojeno zdesna nalevo</translation>
    </message>
    <message>
        <source>RLM Right-to-left mark</source>
        <translation>RLM oznaka zdesna nalevo</translation>
    </message>
    <message>
        <source>PDF Pop directional formatting</source>
        <translation>PDF kraj smera pisanja</translation>
    </message>
    <message>
        <source>ZWNJ Zero width non-joiner</source>
        <translation>ZWNJ razdvajač bez širine</translation>
    </message>
    <message>
        <source>RLO Start of right-to-left override</source>
        <translation>RLO početak nametnutog smera zdesna nalevo</translation>
    </message>
    <message>
        <source>PDI Pop directional isolate</source>
        <translation>PDI kraj izdvojenog smera</translation>
    </message>
    <message>
        <source>ZWJ Zero width joiner</source>
        <translation>ZWJ spajač bez širine</translation>
    </message>
    <message>
        <source>LRM Left-to-right mark</source>
        <translation>LRM oznaka sleva nadesno</translation>
    </message>
    <message>
        <source>FSI First strong isolate</source>
        <translation>FSI izdvojeno po prvom jakom znaku</translation>
    </message>
</context>
<context>
    <name>QAbstractSpinBox</name>
    <message>
        <source>Step &amp;down</source>
        <translation>Sma&amp;nji</translation>
    </message>
    <message>
        <source>&amp;Step up</source>
        <translation>&amp;Povećaj</translation>
    </message>
    <message>
        <source>&amp;Select All</source>
        <translation>&amp;Izaberi sve</translation>
    </message>
</context>
<context>
    <name>QScrollBar</name>
    <message>
        <source>Top</source>
        <translation>Vrh</translation>
    </message>
    <message>
        <source>Scroll down</source>
        <translation>Pomeri nadole</translation>
    </message>
    <message>
        <source>Scroll here</source>
        <translation>Pomeri ovde</translation>
    </message>
    <message>
        <source>Scroll left</source>
        <translation>Pomeri nalevo</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>Dno</translation>
    </message>
    <message>
        <source>Page up</source>
        <translation>Stranu gore</translation>
    </message>
    <message>
        <source>Page right</source>
        <translation>Stranu desno</translation>
    </message>
    <message>
        <source>Scroll up</source>
        <translation>Pomeri nagore</translation>
    </message>
    <message>
        <source>Scroll right</source>
        <translation>Pomeri nadesno</translation>
    </message>
    <message>
        <source>Left edge</source>
        <translation>Leva ivica</translation>
    </message>
    <message>
        <source>Page down</source>
        <translation>Stranu dole</translation>
    </message>
    <message>
        <source>Page left</source>
        <translation>Stranu levo</translation>
    </message>
    <message>
        <source>Right edge</source>
        <translation>Desna ivica</translation>
    </message>
</context>
<context>
    <name>QComboBox</name>
    <message>
        <source>True</source>
        <translation>Tačno</translation>
    </message>
    <message>
        <source>False</source>
        <translation>Netačno</translation>
    </message>
    <message>
        <source>Open the combo box selection popup</source>
        <translation>Otvori spisak za izbor</translation>
    </message>
</context>
<context>
    <name>QTabBar</name>
    <message>
        <source>Scroll Left</source>
        <translation>Pomeri nalevo</translation>
    </message>
    <message>
        <source>Scroll Right</source>
        <translation>Pomeri nadesno</translation>
    </message>
</context>
<context>
    <name>QPageSetupDialog</name>
    <message>
        <source>Page Setup</source>
        <translation>Podešavanje stranice</translation>
    </message>
</context>
</TS>
