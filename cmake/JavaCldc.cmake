# Java toolchain: javac, then our converter to CLDC class files, then a JAR.
find_package(Java 17 REQUIRED COMPONENTS Development)
