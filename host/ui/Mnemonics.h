// SPDX-License-Identifier: GPL-3.0-or-later
// Alt+letter for every caption of a menu bar, a menu or a dialog's buttons, given
// in one place instead of an '&' in each caption: a caption that has none gets
// the first of its letters (a word's first letter before the others) that no
// other caption of the same window took. The application gives them to every
// dialog and menu as it shows.
#pragma once

class QWidget;

// A menu bar or a menu: its actions; another widget: the buttons inside it, whose
// letters differ from those of its menu bar and of its labels.
void GiveMnemonics(QWidget* widget);
