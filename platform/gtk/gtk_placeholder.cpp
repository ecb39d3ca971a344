// GTK 3 backend; filled in by its owner.
