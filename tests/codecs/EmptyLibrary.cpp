// A shared library that loads but holds none of the codec entry points; the tests put it where a
// codec library is looked for.
extern "C" int deraz_empty_library() {
    return 0;
}
