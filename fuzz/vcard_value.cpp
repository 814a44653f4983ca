// The vCard value decoder on its own: quoted-printable, quoted-printable then
// UTF-8, UTF-7, and modes that decode nothing.
// Options byte: the decoding mode (0 none, 1, 2, 3; every other value none).
#include "FuzzTarget.h"
#include "formats/VCardValue.h"

SORREL_FUZZ_TARGET(vcard_value) {
  sorrel::fuzz::Input in(data, size);
  int nMode = in.options;
  CString value(in.text);
  sorrel::DecodeVCardValue(value, nMode);
  if (nMode < 1 || nMode > 3) SORREL_FUZZ_CHECK(value.str() == in.text);
  // Quoted-printable turns three characters into one byte and adds none.
  if (nMode == 1) SORREL_FUZZ_CHECK(value.GetLength() <= int(in.text.size()));
  return 0;
}
