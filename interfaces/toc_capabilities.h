// The capability identifiers a TOC client announces with toc_set_caps.
#pragma once

#include <string_view>

inline constexpr std::string_view kCapVoice = "09461341-4C7F-11D1-8222-444553540000";
inline constexpr std::string_view kCapSendFile = "09461343-4C7F-11D1-8222-444553540000";
inline constexpr std::string_view kCapDirectIm = "09461345-4C7F-11D1-8222-444553540000";
inline constexpr std::string_view kCapBuddyIcon = "09461346-4C7F-11D1-8222-444553540000";
inline constexpr std::string_view kCapStocks = "09461347-4C7F-11D1-8222-444553540000";
inline constexpr std::string_view kCapGetFile = "09461348-4C7F-11D1-8222-444553540000";
inline constexpr std::string_view kCapGames = "0946134a-4C7F-11D1-8222-444553540000";
