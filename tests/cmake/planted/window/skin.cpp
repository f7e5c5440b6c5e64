// The start-up reads of the program's own files are the one exception.
QByteArray skin(const FileSystem& fileSystem) { return fileSystem.readFile("x/o.cjs"); }
