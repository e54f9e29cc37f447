// Converts an RTF file to HTML on standard output with skeinlet::Convert.
#include <skeinlet/convert.hpp>
#include <skeinlet/error.hpp>

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: rtf2html_example FILE.rtf\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string rtf{std::istreambuf_iterator<char>(in), {}};
  try {
    skeinlet::Convert conv;
    // The UTF-8 overload: document, title, colour; the other options empty.
    std::cout << conv.ConvertRTF(rtf, "Example", "white");
  } catch (const skeinlet::Error& e) {
    std::cerr << "error " << e.number() << ": " << e.description() << '\n';
    return 1;
  }
  return 0;
}
