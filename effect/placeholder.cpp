// Placeholder so that the room's library exists before its first source lands.
