// SPDX-License-Identifier: GPL-3.0-or-later
// The program's settings: the sections of "Sheafpad.ini" (beside the program
// file, or see settings_place.h), their keys in the order in which they are
// read and written.
#pragma once

namespace sheafpad::settings {

inline constexpr const char* kFileName = "Sheafpad.ini";
inline constexpr const char* kSection = "Initial";

inline constexpr const char* kDir = "Dir";   // directory field text
inline constexpr const char* kLeft = "Left"; // outer frame, screen pixels
inline constexpr const char* kTop = "Top";
inline constexpr const char* kHeight = "Height";
inline constexpr const char* kWidth = "Width";
inline constexpr const char* kFindEdit = "FindEdit";       // find text, UTF-8
inline constexpr const char* kLoadedFName = "LoadedFName"; // current file's full path

// The editor pane's own section, written after [Initial].
inline constexpr const char* kPaneSection = "Pane";
inline constexpr const char* kFontSize = "FontSize"; // points zoomed to; empty: the desktop's
inline constexpr const char* kHighlighting = "Highlighting"; // syntax colours: 1 on, 0 off
inline constexpr const char* kLineNumbers = "LineNumbers";   // the gutter: 1 shown, 0 hidden
inline constexpr const char* kWrap = "Wrap";                 // word wrap: 1 on, 0 off

// The search window's section, written after [Pane]: the last texts of its
// find and replace fields, latest first (FindText1 ... FindText10).
inline constexpr const char* kSearchSection = "Search";
inline constexpr const char* kFindHistory = "FindText";
inline constexpr const char* kReplaceHistory = "ReplaceText";
inline constexpr int kSearchHistory = 10;

// The site's section, written after the pane's.
inline constexpr const char* kSiteSection = "Site";
inline constexpr const char* kSubfolders = "Subfolders"; // 1: the list includes subfolders
inline constexpr const char* kRecentFolder = "Recent";   // Recent1 (latest) to Recent8: folders

} // namespace sheafpad::settings
