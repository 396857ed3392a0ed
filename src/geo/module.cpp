// The geo module's sources are the .cpp files of this folder.
