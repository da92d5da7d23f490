// Sources of this subsystem are added to its CMakeLists.txt.
