// Source of a library whose folder has no sources yet.
