# The build machine's nlohmann-json is a 3.x release (Debian's nlohmann-json3-dev).
set(PACKAGE_VERSION 3)
set(PACKAGE_VERSION_COMPATIBLE TRUE)
set(PACKAGE_VERSION_EXACT FALSE)
