// Core of the platform layer; filled in by its owner.
