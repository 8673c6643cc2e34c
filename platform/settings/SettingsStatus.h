#pragma once
// Outcome of a settings store operation. The store never throws; every caller gets one of these.

namespace settings {

enum class SettingsStatus {
    Ok,
    NotFound,   // the value does not exist
    MoreData,   // the caller's buffer is too small; the needed size was reported
    InvalidKey, // the key path or value name cannot name a key or value of this store
    IoError,    // the file system refused (permissions, full disk, missing home folder)
    Unsafe,     // a link, a special file or something another user owns stands where ours should
};

} // namespace settings
