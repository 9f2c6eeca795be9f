// Nothing: the library built from this file only makes the precompiled
// header that the Qt Core tests share (tests/CMakeLists.txt).
