#pragma once

// The open-file dialog's decisions, free of any window: which entries of a
// folder it lists and in what order, how a filter's patterns match, how the
// file name field holds several names, and how names become paths. The
// dialog lists folders itself (platform/FolderList.h), so that every name
// the system has, whatever its encoding, can be seen and chosen.

#include <string>
#include <vector>

#include "platform/FolderList.h"

// The patterns of a filter such as "*.htm;*.html;*.asp".
std::vector<std::string> SplitPatterns(const std::string& Patterns);

// True when Name matches Pattern: '*' stands for any run of characters, '?'
// for any one, every other character for itself with the letter case of
// A to Z ignored (as the pickers of both systems match).
bool MatchesPattern(const std::string& Name, const std::string& Pattern);
bool MatchesAnyPattern(const std::string& Name, const std::vector<std::string>& Patterns);

// What the dialog lists of a folder's Entries: the folders, then the files
// that match one of Patterns, each part in name order (letter case
// ignored, then byte by byte); hidden ones only with ShowHidden.
std::vector<platform::FolderEntry> ListedEntries(std::vector<platform::FolderEntry> Entries,
                                                 const std::vector<std::string>& Patterns,
                                                 bool ShowHidden);

// The file name field for the chosen Names: one name as it is, several
// each in double quotes, separated by a blank.
std::string FileNameFieldText(const std::vector<std::string>& Names);

// The names the field's Text holds: every name in double quotes when it has
// any, else the text, less the blanks at either end, as one name. None for
// a text of blanks.
std::vector<std::string> FileNameFieldNames(const std::string& Text);

// Name as a path: itself when it is absolute, else Name in Folder.
std::string PathInFolder(const std::string& Folder, const std::string& Name);

// Folder without final delimiters, but a root keeps its own.
std::string PlainFolder(const std::string& Folder);

// The folder that holds Folder; the root for the root.
std::string ParentFolder(const std::string& Folder);

// Folder and every folder above it, the root first.
std::vector<std::string> FolderAndAncestors(const std::string& Folder);
