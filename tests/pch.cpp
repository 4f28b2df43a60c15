// Compiles the tests' precompiled header, which the test executables reuse.
