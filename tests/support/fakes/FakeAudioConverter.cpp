// Filled in as this fake lands.
