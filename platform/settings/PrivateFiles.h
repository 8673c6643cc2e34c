#pragma once
// File operations of the settings store: folders only their owner can enter, whole-file reads with
// a bound, and replacements that readers see either entirely old or entirely new.

#include "settings/SettingsStatus.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace settings {

// Called before each write with the bytes written so far; answering false fails the write as a
// full disk does. Lets tests stop a save at any point.
using WriteHook = std::function<bool(std::size_t written)>;

// Creates `folder` and its missing parents with mode 0700, and gives `folder` itself mode 0700.
// Every folder below `root` on the way must be a real folder (not a link) owned by the user:
// otherwise Unsafe, and nothing is written where another user could read or swap it.
[[nodiscard]] SettingsStatus MakePrivateFolder(const std::string& root, const std::string& folder);

// Reads the file without following a link or waiting on a pipe; NotFound when it does not exist,
// Unsafe when it is not a regular file owned by the user, MoreData when it holds more than
// `maxBytes`.
[[nodiscard]] SettingsStatus ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                           std::string& contents);

// Writes `contents` to a new mode-0600 file beside `path`, flushes it to disk and renames it over
// `path`. On any failure the new file is removed and `path` keeps its old contents.
[[nodiscard]] SettingsStatus ReplaceFile(const std::string& path, std::string_view contents,
                                         const WriteHook& hook);

} // namespace settings
