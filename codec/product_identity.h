// The product's name and home-page address, as every file it marks carries
// them (JPEG comment, EXIF software tag, IPTC source and caption).
#pragma once

inline constexpr const char* kProductName = "Twilightomator";
inline constexpr const char* kHomePageAddress = "https://twilightomator.example/";
inline constexpr const char* kMadeWithCaption = "Made with Twilightomator";
