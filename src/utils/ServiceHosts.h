#pragma once

// The service's host names of this deployment.
namespace Utils {
namespace ServiceHosts {

inline constexpr const char apiHost[] = "api.quorvel.example";
inline constexpr const char streamerHost[] = "stream.quorvel.example";
inline constexpr const char portalHost[] = "www.quorvel.example";

} // namespace ServiceHosts
} // namespace Utils
