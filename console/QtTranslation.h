// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts in the dialogs the console and the module show (print, preview,
// page setup, file, message and progress boxes, edit menus), in Serbian.
#pragma once

class QTranslator;

// Installs the translation built into the program as the application's translator
// (its child); null when it cannot be loaded, and Qt's texts stay English.
// Called after the application object is made, so it does not depend on the
// order in which static objects start.
QTranslator* InstallQtTranslation();
