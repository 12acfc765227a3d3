// The settings store is added here.
