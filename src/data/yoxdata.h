// The whole public interface of the data library in one include: types, container,
// entries, factory, serializer, discrete functions, exceptions and StringUtils.
#pragma once

#include "data/AutoPtr.h"
#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DataType.h"
#include "data/DiscreteFunction.h"
#include "data/Entry.h"
#include "data/Export.h"
#include "data/StringUtils.h"
#include "data/DataSerializer.h"
