// Storage for an array of trivially destructible elements that are written
// before they are read: left unmade, because made, their default values
// would cost a store each at every call of the audio path.
#ifndef SE_COMMON_UNMADE_H
#define SE_COMMON_UNMADE_H

template <class T, int N> union Unmade {
  T at[N];
  Unmade() {}
};

#endif // SE_COMMON_UNMADE_H
