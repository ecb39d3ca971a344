// SDL2 backend; filled in by its owner.
