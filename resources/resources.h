#ifndef RESOURCES_H
#define RESOURCES_H

// Registers the compiled-in resources. They live in a static library, so the
// linker keeps them only when something calls this; calling it again is harmless.
void vestraInitResources();

#endif // RESOURCES_H
