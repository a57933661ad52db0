// The maker's web pages and this release's version. The site is a placeholder on the
// reserved documentation domain until the project has its own.
#pragma once

namespace tk::site {

inline constexpr int kVersionMajor = 3;
inline constexpr int kVersionMinor = 4;
inline constexpr int kVersionRevision = 0;

inline constexpr const char* kHomePage = "https://havro.example/";
inline constexpr const char* kDonationPage = "https://havro.example/tonekeep.html#donate";
inline constexpr const char* kRevisionHistoryPage = "https://havro.example/tonekeep_history.html";
// The version-check page; "Version=" + major.minor is appended.
inline constexpr const char* kVersionCheckPage = "https://havro.example/check_tkp_version.asp?";

}  // namespace tk::site
