// The host toolkit library: everything lives in host/kernel, host/drawing and host/imagecolor,
// linked whole into libxlxhost.so.
