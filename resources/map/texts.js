// The texts of the map page in each of its languages; the page's address
// names the one it shows (index.html?lang=fr).
window.MAP_TEXTS = {
    en: {
        title: 'Map',
        roadmap: 'Map',
        terrain: 'Terrain',
        balloons: 'Balloons'
    },
    fr: {
        title: 'Carte',
        roadmap: 'Plan',
        terrain: 'Relief',
        balloons: 'Bulles'
    },
    es: {
        title: 'Mapa',
        roadmap: 'Mapa',
        terrain: 'Relieve',
        balloons: 'Globos'
    }
};
