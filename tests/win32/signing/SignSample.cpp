// A console program that the build signs, copies and changes, for the tests of signature
// checks. It carries one mebibyte of constant data, which makes it large enough to time a
// check by, and in which one changed byte alters the file's digest and nothing else. The
// data begins with a marker, by which the build finds the byte it changes.
#define KW_16 "Kelderwick-data-"
#define KW_64 KW_16 KW_16 KW_16 KW_16
#define KW_256 KW_64 KW_64 KW_64 KW_64
#define KW_1K KW_256 KW_256 KW_256 KW_256
#define KW_4K KW_1K KW_1K KW_1K KW_1K
#define KW_16K KW_4K KW_4K KW_4K KW_4K
#define KW_64K KW_16K KW_16K KW_16K KW_16K
#define KW_256K KW_64K KW_64K KW_64K KW_64K
#define KW_1M KW_256K KW_256K KW_256K KW_256K

static const char kData[] = "KW-SIGNING-SAMPLE-DATA:" KW_1M;

int main(int argc, char**) {
  // The data is read, so that it stays in the program; none of its bytes is zero.
  const char* volatile data = kData;
  return data[static_cast<unsigned>(argc) % (sizeof kData - 1)] == '\0' ? 1 : 0;
}
