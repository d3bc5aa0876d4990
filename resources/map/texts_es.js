// The Spanish texts of the map page.
window.MAP_TEXTS = {
    roadmap: 'Mapa',
    terrain: 'Relieve',
    balloons: 'Globos'
};
