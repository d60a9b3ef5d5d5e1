// Marks a bundle's entry points for export. The host SDK's DLLEXPORT covers Windows only; the
// bundles build with hidden symbols, so elsewhere the entry points need default visibility.
#pragma once

#ifdef _WIN32
#define ORV_PLUGIN_EXPORT __declspec(dllexport)
#else
#define ORV_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif
