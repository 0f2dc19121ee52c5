#pragma once

// Maps the window fonts the program names ("MS Sans Serif", "Tahoma", "Times New Roman") onto fonts this
// system has, of similar width, so that texts fit where the windows place them.
void InstallFontSubstitutes();
