// Headless bench; filled in by its owner.
