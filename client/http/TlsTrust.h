#pragma once

#include <curl/curl.h>

namespace quarlolink::http {

// Name of the environment variable that names a PEM file of extra certificate authorities to
// trust for https sites, in addition to the system's (a site with its own or a company CA).
// Certificates are always verified; this only widens whom they may be issued by.
inline constexpr const char* kExtraCaFileVariable = "QUARLO_CA_FILE";

// Makes the handle's TLS connections trust the file named by QUARLO_CA_FILE, read at each new
// connection. A file that cannot be loaded fails the connection with a clear error.
void InstallTlsTrust(CURL* easy);

}  // namespace quarlolink::http
