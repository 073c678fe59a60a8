# The IO libraries of the standard formats, for the formats library and for
# its instrumented copy in the fuzz build. Sets CALYRA_FORMAT_LIBRARIES and
# CALYRA_FORMAT_INCLUDE_DIRS in the including directory.
find_package(ITK 5.2 REQUIRED COMPONENTS ITKCommon ITKIOImageBase ITKIOMeta ITKNrrdIO)
# Debian's NIFTI package configuration points at files it does not install:
# find the library and its headers directly.
find_library(NIFTI2_LIBRARY nifti2 REQUIRED)
find_library(ZNZ_LIBRARY znz REQUIRED)
find_path(NIFTI2_INCLUDE_DIR nifti2_io.h PATH_SUFFIXES nifti REQUIRED)
find_package(GDCM REQUIRED)
find_package(TIFF REQUIRED)
find_package(ZLIB REQUIRED)
set(CALYRA_FORMAT_LIBRARIES
  ITKIOMeta ITKNrrdIO ${NIFTI2_LIBRARY} ${ZNZ_LIBRARY} gdcmMSFF TIFF::TIFF ZLIB::ZLIB)
set(CALYRA_FORMAT_INCLUDE_DIRS ${ITK_INCLUDE_DIRS} ${GDCM_INCLUDE_DIRS} ${NIFTI2_INCLUDE_DIR})
