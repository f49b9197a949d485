#ifndef PROGRAMNAMES_H
#define PROGRAMNAMES_H

// The window program's names, under which the system keeps its data folders.
// The command-line tools carry names of their own but read the same folders.
inline constexpr char OrganisationName[] = "Halvik";
inline constexpr char ApplicationName[] = "Kova VESTRA";

#endif // PROGRAMNAMES_H
