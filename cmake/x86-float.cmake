# The floating-point flags of every x86 build made with a toolchain file (the
# Windows programs and the 32-bit Linux tracer). The scene arithmetic has to
# give the same bits as the native build: doubles rounded after every
# operation. The x87 unit keeps 80-bit intermediates and a contracted
# multiply-add skips a rounding, so both are ruled out (SSE2 is the x86-64
# default already; saying so keeps every build on one set of flags).
set(ZORBEL_X86_FLOAT_FLAGS "-msse2 -mfpmath=sse -ffp-contract=off")
