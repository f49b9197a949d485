#ifndef PREAMBLE_H
#define PREAMBLE_H

// The first 24 bits of a first-generation message as hex: 15 bits of bit
// synchronisation and the frame synchronisation of a message sent in earnest,
// 000101111 (a self-test sends 011010000, "FFFED0"). A message that begins
// so is a distress message; the decoder puts it before a message given
// without its preamble.
inline constexpr char DistressPreamble[] = "FFFE2F";

#endif // PREAMBLE_H
