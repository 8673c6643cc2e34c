#pragma once
// The program's version record.

namespace res {

inline constexpr const char* kFileVersion = "3.1.6.1735";
inline constexpr const char* kProductVersion = "3.1.6.1735";
inline constexpr const char* kProductName = "Nimbrel FTP Server Keldwick";
inline constexpr const char* kFileDescription = "Nimbrel FTP Server Keldwick";
inline constexpr const char* kInternalName = "Keldwick.exe";
inline constexpr const char* kOriginalFileName = "Keldwick.exe";
inline constexpr const char* kCompanyName = "Nimbrel";

} // namespace res
