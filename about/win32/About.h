#pragma once

// The About box: the maker's logo, the program's icon, name and version, the
// author, links to the maker's e-mail address and home page, and an
// optional information text. A dialog created anew for every showing.

#include <windows.h>

#include "about/AboutLogic.h"

// Creates the About box owned by Owner (null for none) showing Content's
// version and information text, shows it modally and destroys it when it
// closes: Enter and Escape close it.
void ShowAboutBox(HWND Owner, const TAboutContent& Content);

// The same with this program's content (ProgramAboutContent()).
void ShowAboutBox(HWND Owner);
